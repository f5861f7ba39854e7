#include "platform/privatefolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString problemOf(const struct stat& info) {
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is no folder");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if ((info.st_mode & 0777) != 0700)
        return QStringLiteral("its mode is %1, not 700")
            .arg(info.st_mode & 0777, 3, 8, QLatin1Char('0'));
    return {};
}

} // namespace

QString PrivateFolder::problem(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return systemError(errno);
    return problemOf(info);
}

QString PrivateFolder::make(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) == 0)
        ::chmod(name.constData(), 0700); // what the umask took away
    else if (errno != EEXIST)
        return systemError(errno);
    return problem(path);
}

int PrivateFolder::open(const QString& path, QString* error) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    QString why;
    struct stat info {};
    if (fd < 0)
        why = errno == ELOOP || errno == ENOTDIR ? QStringLiteral("it is no folder")
                                                 : systemError(errno);
    else if (::fstat(fd, &info) != 0)
        why = systemError(errno);
    else
        why = problemOf(info);
    if (why.isEmpty())
        return fd;
    if (fd >= 0)
        ::close(fd);
    if (error)
        *error = why;
    return -1;
}
