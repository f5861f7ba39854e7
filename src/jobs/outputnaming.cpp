#include "jobs/outputnaming.h"

#include "components/output/outputreservation.h"

#include "jobs/joberror.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isControl(QChar c) {
    return c.category() == QChar::Other_Control;
}

// Leading dots would make a hidden file or folder, or "." and "..".
QString withoutLeadingDots(QString text) {
    int dots = 0;
    while (dots < text.size() && text[dots] == QLatin1Char('.'))
        ++dots;
    return text.mid(dots);
}

QString withoutTrailingDotsAndBlanks(QString text) {
    int end = text.size();
    while (end > 0 && (text[end - 1] == QLatin1Char('.') || text[end - 1] == QLatin1Char(' ')))
        --end;
    return text.left(end);
}

bool onlyDotsAndBlanks(const QString& text) {
    for (QChar c : text)
        if (c != QLatin1Char('.') && c != QLatin1Char(' '))
            return false;
    return true;
}

// A file name has no separators and no control characters; the rest of a
// file row's caption is the name the user gave the file and stays.
QString asFileNamePart(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char('/') && !isControl(c))
            out += c;
    return out;
}

QString expandHome(const QString& folder) {
    if (folder == QLatin1String("~"))
        return QDir::homePath();
    if (folder.startsWith(QLatin1String("~/")))
        return QDir::homePath() + folder.mid(1);
    return folder;
}

int utf8Bytes(const QString& text) {
    return int(text.toUtf8().size());
}

// Past this many taken names something else is wrong with the folder.
constexpr int MaxCounter = 100000;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The name of collision number counter: [counter "_"] + stem + extension,
// the stem cut so that the whole fits in MaxNameBytes.
QString collisionName(const QString& fileName, int counter) {
    const QString prefix = counter == 0 ? QString() : formatTwoDigits(counter) + QLatin1Char('_');
    return prefix + fitFileName(fileName, MaxNameBytes - utf8Bytes(prefix));
}

bool exists(const QString& path) {
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 || errno != ENOENT;
}

} // namespace

QString sanitizeName(const QString& text) {
    static const QString removed = QStringLiteral("*?|:\"/\\<>");
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!removed.contains(c) && !isControl(c))
            out += c;
    return out;
}

QString outputExtension(OutputFormat format) {
    switch (format) {
    case FormatWav:
        return QStringLiteral(".wav");
    case FormatWma:
        return QStringLiteral(".wma");
    case FormatOgg:
        return QStringLiteral(".ogg");
    case FormatRm:
        return QStringLiteral(".rm");
    case FormatFlac:
        return QStringLiteral(".flac");
    case FormatOpus:
        return QStringLiteral(".opus");
    default:
        return QStringLiteral(".mp3");
    }
}

QString formatTwoDigits(int n) {
    return n >= 0 && n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
}

QString outputFileName(const OutputNameSource& row, OutputFormat format) {
    QString stem;
    if (row.cdRow) {
        stem = withoutLeadingDots(withoutTrailingDotsAndBlanks(sanitizeName(row.caption)));
        stem = withoutTrailingDotsAndBlanks(stem);
    } else {
        const QString name = asFileNamePart(row.caption);
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        stem = withoutLeadingDots(dot >= 0 ? name.left(dot) : name);
        if (onlyDotsAndBlanks(stem))
            stem = withoutLeadingDots(asFileNamePart(QFileInfo(row.source).completeBaseName()));
    }
    if (onlyDotsAndBlanks(stem))
        stem = QStringLiteral("Track") + formatTwoDigits(row.track + 1);
    return stem + outputExtension(format);
}

QString buildOutputFolder(const QString& outputFolder, FolderScheme scheme, const RowTag& tag) {
    if (outputFolder.trimmed().isEmpty())
        throw JobError(QStringLiteral("No output folder was chosen."));
    QString folder = QDir(expandHome(outputFolder)).absolutePath();
    const auto addFolder = [&folder](const QString& text) {
        const QString name = cutToUtf8Bytes(withoutLeadingDots(sanitizeName(text)), MaxNameBytes);
        if (!onlyDotsAndBlanks(name))
            folder += QLatin1Char('/') + name;
    };
    if (scheme == FolderScheme::Artist || scheme == FolderScheme::ArtistAlbum)
        addFolder(tag.artist);
    if (scheme == FolderScheme::Album || scheme == FolderScheme::ArtistAlbum)
        addFolder(tag.album);
    if (!QDir().mkpath(folder))
        throw JobError(QStringLiteral("Cannot create the folder %1.").arg(folder));
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString reserveOutputFile(const QString& folder, const QString& fileName) {
    for (int counter = 0; counter <= MaxCounter; ++counter) {
        const QString path = folder + collisionName(fileName, counter);
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        const int error = errno;
        if (error != EEXIST)
            throw JobError(QStringLiteral("Cannot create %1: %2.").arg(path, systemError(error)));
    }
    throw JobError(
        QStringLiteral("Cannot create %1%2: every name is taken.").arg(folder, fileName));
}

OutputPath buildOutputPath(const QString& outputFolder, FolderScheme scheme, const RowTag& tag,
                           const OutputNameSource& row, OutputFormat format,
                           const FileIds& inputs) {
    OutputPath out;
    out.folder = buildOutputFolder(outputFolder, scheme, tag);
    const QString fileName = outputFileName(row, format);
    removeStaleParts(out.folder, inputs);
    for (int counter = 0; counter <= MaxCounter; ++counter) {
        const QString path = out.folder + collisionName(fileName, counter);
        if (exists(path))
            continue;
        // The part file holds the name against other rows and other
        // processes until the file is complete.
        const QString part = partFileOf(path);
        const int fd = ::open(QFile::encodeName(part).constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            if (error == EEXIST)
                continue;
            throw JobError(QStringLiteral("Cannot create %1: %2.").arg(part, systemError(error)));
        }
        OutputReservation::hold(part, fd);
        out.path = path;
        out.part = part;
        return out;
    }
    throw JobError(
        QStringLiteral("Cannot create %1%2: every name is taken.").arg(out.folder, fileName));
}

int renameWithoutReplacing(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray name = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE) ==
        0)
        return 0;
    int error = errno;
    // Without the no-replace rename, a new link fails just as well on a taken name.
    if (error == EINVAL || error == ENOSYS) {
        if (::link(source.constData(), name.constData()) == 0) {
            ::unlink(source.constData());
            return 0;
        }
        error = errno;
    }
    return error;
}

QString commitOutputFile(const QString& path) {
    const QString partPath = partFileOf(path);
    OutputReservation::release(partPath);
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    // The next collision names count on from the chosen one's.
    QString fileName = path.mid(slash + 1);
    int counter = 0;
    static const QRegularExpression prefixed(QStringLiteral("^([0-9]{2,})_(.+)$"));
    if (const QRegularExpressionMatch match = prefixed.match(fileName); match.hasMatch()) {
        counter = match.captured(1).toInt();
        fileName = match.captured(2);
    }
    for (QString target = path; counter <= MaxCounter;
         target = folder + collisionName(fileName, ++counter)) {
        const int error = renameWithoutReplacing(partPath, target);
        if (error == 0)
            return target;
        if (error != EEXIST)
            throw JobError(QStringLiteral("Cannot name the finished file %1: %2.")
                               .arg(target, systemError(error)));
    }
    throw JobError(
        QStringLiteral("Cannot name the finished file %1: every name is taken.").arg(path));
}

void discardOutputFile(const QString& path) {
    if (path.isEmpty())
        return;
    const QString part = partFileOf(path);
    OutputReservation::release(part);
    ::unlink(QFile::encodeName(part).constData());
}

FileIds fileIdsOf(const QStringList& paths) {
    FileIds ids;
    for (const QString& path : paths) {
        struct stat info;
        if (::stat(QFile::encodeName(path).constData(), &info) == 0)
            ids.insert({quint64(info.st_dev), quint64(info.st_ino)});
    }
    return ids;
}

void removeStaleParts(const QString& folder, const FileIds& keep) {
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        const std::optional<PartName> part = parsePartName(name);
        struct stat info;
        if (!part || !partOwnerIsGone(part->owner) ||
            ::fstatat(dirFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
            keep.count({quint64(info.st_dev), quint64(info.st_ino)}) > 0)
            continue;
        ::unlinkat(dirFd, name.constData(), 0);
    }
    ::closedir(dir);
}
