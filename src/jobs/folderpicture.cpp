#include "jobs/folderpicture.h"

#include "jobs/outputnaming.h"
#include "tags/coverart.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool exists(const QString& path) {
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// Writes every byte and makes it durable; the error number, or 0.
int writeAll(int fd, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += written;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

FolderPictureResult saveFolderPicture(const QString& folder, const CoverArt& cover) {
    FolderPictureResult result;
    const CoverArt picture = CoverCheck::checked(cover.data, &result.error);
    if (picture.isEmpty())
        return result;
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const bool isPng = picture.mimeType == QLatin1String("image/png");
    result.path = base + (isPng ? QStringLiteral("folder.png") : QStringLiteral("folder.jpg"));
    // The picture's own name is held by the no-replace rename below; the
    // other form is only looked for, so that a folder does not get both.
    const QString other =
        base + (isPng ? QStringLiteral("folder.jpg") : QStringLiteral("folder.png"));
    if (exists(other)) {
        result.outcome = FolderPictureResult::Outcome::AlreadyThere;
        result.path = other;
        return result;
    }

    const QString part = partFileOf(result.path);
    const int fd = ::open(QFile::encodeName(part).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        result.error = QStringLiteral("Cannot create %1: %2.").arg(part, systemText(errno));
        return result;
    }
    int error = writeAll(fd, picture.data);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        error = renameWithoutReplacing(part, result.path);
    if (error == 0) {
        result.outcome = FolderPictureResult::Outcome::Saved;
        return result;
    }
    ::unlink(QFile::encodeName(part).constData());
    if (error == EEXIST) {
        // Another row or program saved one first: theirs stays.
        result.outcome = FolderPictureResult::Outcome::AlreadyThere;
        return result;
    }
    result.error = QStringLiteral("Cannot save %1: %2.").arg(result.path, systemText(error));
    return result;
}
