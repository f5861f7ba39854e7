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
// the stem cut so that the whole fits in maxBytes.
QString collisionName(const QString& fileName, int counter, int maxBytes = MaxNameBytes) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= 0 ? fileName.left(dot) : fileName;
    const QString extension = dot >= 0 ? fileName.mid(dot) : QString();
    const QString prefix = counter == 0 ? QString() : formatTwoDigits(counter) + QLatin1Char('_');
    QString name = stem;
    const int room = maxBytes - utf8Bytes(prefix) - utf8Bytes(extension);
    if (utf8Bytes(name) > room) {
        name = withoutTrailingDotsAndBlanks(cutToUtf8Bytes(name, std::max(room, 1)));
        if (name.isEmpty())
            name = QStringLiteral("_");
    }
    return prefix + name + extension;
}

// When the process started, in clock ticks after boot (field 22 of its stat
// file): with the process id it names one process for as long as the machine
// runs. Empty when the process is gone.
QByteArray processStartTime(const QByteArray& pid) {
    QFile stat(QByteArrayLiteral("/proc/") + pid + QByteArrayLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold blanks and parentheses of its own.
    const int nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0)
        return {};
    const QList<QByteArray> fields = line.mid(nameEnd + 2).split(' ');
    return fields.size() > 19 ? fields[19] : QByteArray();
}

const QByteArray& ownMark() {
    static const QByteArray mark = [] {
        const QByteArray pid = QByteArray::number(qint64(::getpid()));
        const QByteArray start = processStartTime(pid);
        return pid + '-' + (start.isEmpty() ? QByteArrayLiteral("0") : start);
    }();
    return mark;
}

QString partName(const QString& finalName) {
    const QString tail =
        QLatin1Char('.') + QString::fromLatin1(ownMark()) + QLatin1String(PartFileSuffix);
    // The part name may shorten the final name to fit; it is only a label.
    return QLatin1Char('.') + collisionName(finalName, 0, MaxNameBytes - 1 - utf8Bytes(tail)) +
           tail;
}

bool exists(const QString& path) {
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 || errno != ENOENT;
}

// The owner in a part file name is gone when no process has its id and start time.
bool ownerIsGone(const QByteArray& owner) {
    const int dash = owner.indexOf('-');
    if (dash <= 0 || dash == owner.size() - 1)
        return false;
    for (int i = 0; i < owner.size(); ++i)
        if (i != dash && (owner[i] < '0' || owner[i] > '9'))
            return false;
    const QByteArray start = processStartTime(owner.left(dash));
    return start != owner.mid(dash + 1);
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

QString cutToUtf8Bytes(const QString& text, int maxBytes) {
    int bytes = 0;
    int end = 0;
    while (end < text.size()) {
        const char32_t code = text.at(end).isHighSurrogate() && end + 1 < text.size()
                                  ? QChar::surrogateToUcs4(text[end], text[end + 1])
                                  : text.at(end).unicode();
        const int units = code > 0xFFFF ? 2 : 1;
        const int size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        end += units;
    }
    return text.left(end);
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
                           const OutputNameSource& row, OutputFormat format) {
    OutputPath out;
    out.folder = buildOutputFolder(outputFolder, scheme, tag);
    const QString fileName = outputFileName(row, format);
    removeStaleParts(out.folder);
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

QString partFileOf(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return path.left(slash + 1) + partName(path.mid(slash + 1));
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

void removeStaleParts(const QString& folder) {
    // Without its own start time a process cannot tell a live owner from a gone one.
    if (ownMark().endsWith("-0"))
        return;
    const QByteArray path = QFile::encodeName(folder);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const QByteArray suffix(PartFileSuffix);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        // Also the replacement a tag write was making of a part file.
        const int end = name.lastIndexOf(suffix);
        if (!name.startsWith('.') || end < 0 ||
            (end + suffix.size() != name.size() && name[end + suffix.size()] != '.'))
            continue;
        const QByteArray inner = name.left(end);
        const QByteArray owner = inner.mid(inner.lastIndexOf('.') + 1);
        struct stat info;
        if (!ownerIsGone(owner) ||
            ::fstatat(dirFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        ::unlinkat(dirFd, name.constData(), 0);
    }
    ::closedir(dir);
}

QString partOwner() {
    return QString::fromLatin1(ownMark());
}
