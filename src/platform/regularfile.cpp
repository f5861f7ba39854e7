#include "platform/regularfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString kindProblem(const QString& path, mode_t mode) {
    if (S_ISREG(mode))
        return {};
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "not a plain file";
    return QStringLiteral("%1 is %2, not a regular file; Orvelle reads only regular files.")
        .arg(shown(path), QLatin1String(kind));
}

QString systemProblem(const QString& path, int error) {
    return QStringLiteral("Cannot open %1: %2.")
        .arg(shown(path), QString::fromLocal8Bit(std::strerror(error)));
}

QString statProblem(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return systemProblem(path, errno);
    return kindProblem(path, st.st_mode);
}

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

RegularFile::Contents readPart(const QString& path, qint64 maxBytes, bool tail) {
    RegularFile::Contents contents;
    contents.error = statProblem(path);
    if (!contents.ok())
        return contents;
    const Descriptor file{
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
        contents.error = systemProblem(path, errno);
        return contents;
    }
    contents.error = kindProblem(path, st.st_mode);
    if (!contents.ok())
        return contents;
    contents.size = st.st_size;
    qint64 offset = 0;
    qint64 wanted = st.st_size;
    if (tail && wanted > maxBytes) {
        offset = wanted - maxBytes;
        wanted = maxBytes;
    } else if (wanted > maxBytes) {
        contents.error = QStringLiteral("%1 is too large (%2 bytes) for what it claims to be.")
                             .arg(shown(path))
                             .arg(st.st_size);
        return contents;
    }
    contents.bytes.resize(int(wanted));
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t got =
            ::pread(file.fd, contents.bytes.data() + done, size_t(wanted - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            contents.error = systemProblem(path, errno);
            contents.bytes.clear();
            return contents;
        }
        if (got == 0)
            break; // shrunk while reading: what is there is all there is
        done += got;
    }
    contents.bytes.truncate(int(done));
    return contents;
}

} // namespace

namespace RegularFile {

QString problem(const QString& path) {
    return statProblem(path);
}

Contents read(const QString& path, qint64 maxBytes) {
    return readPart(path, maxBytes, false);
}

Contents readTail(const QString& path, qint64 bytes) {
    return readPart(path, bytes, true);
}

} // namespace RegularFile
