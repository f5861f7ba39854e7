#include "jobs/outputnaming.h"

#include "components/componenterror.h"
#include "components/output/outputreservation.h"
#include "jobs/joberror.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
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

// Why a name could not be given, for the user.
QString namingError(int error) {
    return error == ESTALE ? QStringLiteral("the file being made was moved or replaced")
                           : systemError(error);
}

// Writes every byte; the error number, or 0.
int writeBytes(int fd, const char* bytes, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, bytes + done, size_t(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += written;
    }
    return 0;
}

// Writes every byte and makes it durable; the error number, or 0.
int writeAll(int fd, const QByteArray& bytes) {
    const int error = writeBytes(fd, bytes.constData(), bytes.size());
    if (error != 0)
        return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Gives file the name fileName in folder, or, when that is taken and whenTaken
// allows it, the next free collision name after it: the path it got, empty
// when the name was taken and whenTaken is Refuse.
QString giveName(ReservedFile& file, const OutputFolder& folder, const QString& fileName,
                 WhenTaken whenTaken) {
    // The next collision names count on from the chosen one's.
    QString name = fileName;
    int counter = 0;
    static const QRegularExpression prefixed(QStringLiteral("^([0-9]{2,})_(.+)$"));
    if (const QRegularExpressionMatch match = prefixed.match(name); match.hasMatch()) {
        counter = match.captured(1).toInt();
        name = match.captured(2);
    }
    for (QString target = fileName; counter <= MaxCounter;
         target = collisionName(name, ++counter)) {
        const int error = file.rename(target);
        if (error == 0)
            return folder.path() + target;
        if (error == EEXIST && whenTaken == WhenTaken::Refuse)
            return {};
        if (error != EEXIST)
            throw JobError(QStringLiteral("Cannot name the finished file %1: %2.")
                               .arg(folder.path() + target, namingError(error)));
    }
    throw JobError(QStringLiteral("Cannot name the finished file %1: every name is taken.")
                       .arg(folder.path() + fileName));
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

std::shared_ptr<const OutputFolder> openOutputFolder(const QString& outputFolder,
                                                     FolderScheme scheme, const RowTag& tag) {
    if (outputFolder.trimmed().isEmpty())
        throw JobError(QStringLiteral("No output folder was chosen."));
    const QString root = QDir(expandHome(outputFolder)).absolutePath();
    if (!QDir().mkpath(root))
        throw JobError(QStringLiteral("Cannot create the folder %1.").arg(root));
    try {
        // The sub-folders are made and entered through the folder above, so
        // a link put in the way by someone else is not followed.
        auto folder = std::make_shared<const OutputFolder>(root);
        const auto enter = [&folder](const QString& text) {
            const QString name =
                cutToUtf8Bytes(withoutLeadingDots(sanitizeName(text)), MaxNameBytes);
            if (!onlyDotsAndBlanks(name))
                folder = std::make_shared<const OutputFolder>(*folder, name);
        };
        if (scheme == FolderScheme::Artist || scheme == FolderScheme::ArtistAlbum)
            enter(tag.artist);
        if (scheme == FolderScheme::Album || scheme == FolderScheme::ArtistAlbum)
            enter(tag.album);
        return folder;
    } catch (const ComponentError& e) {
        throw JobError(e.message());
    }
}

QString buildOutputFolder(const QString& outputFolder, FolderScheme scheme, const RowTag& tag) {
    return openOutputFolder(outputFolder, scheme, tag)->path();
}

namespace {

// Makes fileName in folder as every output file is made; fill writes its
// bytes into the descriptor and returns 0 or the error number.
QString makeOutputFile(const std::shared_ptr<const OutputFolder>& folder, const QString& fileName,
                       const std::function<int(int fd)>& fill, WhenTaken whenTaken) {
    int error = 0;
    const std::shared_ptr<ReservedFile> file =
        ReservedFile::create(folder, partNameOf(fileName), &error);
    if (!file)
        throw JobError(QStringLiteral("Cannot create %1: %2.")
                           .arg(folder->path() + fileName, systemError(error)));
    try {
        error = fill(file->fd());
        if (error != 0)
            throw JobError(QStringLiteral("Cannot write %1: %2.")
                               .arg(folder->path() + fileName, systemError(error)));
        const QString path = giveName(*file, *folder, fileName, whenTaken);
        if (path.isEmpty())
            file->remove();
        return path;
    } catch (const JobError&) {
        file->remove();
        throw;
    }
}

} // namespace

QString saveOutputFile(const std::shared_ptr<const OutputFolder>& folder, const QString& fileName,
                       const QByteArray& bytes, WhenTaken whenTaken) {
    return makeOutputFile(
        folder, fileName, [&bytes](int fd) { return writeAll(fd, bytes); }, whenTaken);
}

QString copyOutputFile(const std::shared_ptr<const OutputFolder>& folder, const QString& fileName,
                       const QString& sourcePath) {
    const int source =
        ::open(QFile::encodeName(sourcePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info;
    if (source < 0 || ::fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = source < 0 ? errno : EINVAL;
        if (source >= 0)
            ::close(source);
        throw JobError(QStringLiteral("Cannot read %1: %2.").arg(sourcePath, systemError(error)));
    }
    const auto copy = [source](int fd) {
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (;;) {
            const ssize_t got = ::read(source, block.data(), size_t(block.size()));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return errno;
            if (got == 0)
                return ::fsync(fd) == 0 ? 0 : errno;
            const int error = writeBytes(fd, block.constData(), got);
            if (error != 0)
                return error;
        }
    };
    try {
        const QString path = makeOutputFile(folder, fileName, copy, WhenTaken::NextFreeName);
        ::close(source);
        return path;
    } catch (...) {
        ::close(source);
        throw;
    }
}

OutputPath buildOutputPath(const QString& outputFolder, FolderScheme scheme, const RowTag& tag,
                           const OutputNameSource& row, OutputFormat format,
                           const FileIds& inputs) {
    OutputPath out;
    out.handle = openOutputFolder(outputFolder, scheme, tag);
    out.folder = out.handle->path();
    const QString fileName = outputFileName(row, format);
    removeStaleParts(*out.handle, inputs);
    for (int counter = 0; counter <= MaxCounter; ++counter) {
        const QString name = collisionName(fileName, counter);
        if (out.handle->has(name))
            continue;
        // The part file holds the name against other rows and other
        // processes until the file is complete.
        const int error = OutputReservation::reserve(out.handle, partNameOf(name));
        if (error == EEXIST)
            continue;
        if (error != 0)
            throw JobError(QStringLiteral("Cannot create %1: %2.")
                               .arg(out.folder + partNameOf(name), systemError(error)));
        out.path = out.folder + name;
        out.part = out.folder + partNameOf(name);
        return out;
    }
    throw JobError(
        QStringLiteral("Cannot create %1%2: every name is taken.").arg(out.folder, fileName));
}

QString commitOutputFile(const QString& path) {
    const std::shared_ptr<ReservedFile> file = OutputReservation::take(partFileOf(path));
    if (!file)
        throw JobError(
            QStringLiteral("Cannot name the finished file %1: it is no longer held.").arg(path));
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return giveName(*file, file->folder(), path.mid(slash + 1), WhenTaken::NextFreeName);
}

void discardOutputFile(const QString& path) {
    if (path.isEmpty())
        return;
    if (const std::shared_ptr<ReservedFile> file = OutputReservation::take(partFileOf(path)))
        file->remove();
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

void removeStaleParts(const OutputFolder& folder, const FileIds& keep) {
    const int listed = ::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 0);
    DIR* dir = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!dir) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
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
