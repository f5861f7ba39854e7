#include "components/output/outputreservation.h"

#include "components/componenterror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <QFile>
#include <unistd.h>

namespace {

std::mutex heldMutex;
std::map<QString, int>& heldFiles() {
    static std::map<QString, int> files;
    return files;
}

int take(const QString& path) {
    std::lock_guard lock(heldMutex);
    const auto found = heldFiles().find(path);
    if (found == heldFiles().end())
        return -1;
    const int fd = found->second;
    heldFiles().erase(found);
    return fd;
}

} // namespace

void OutputReservation::hold(const QString& path, int fd) {
    std::lock_guard lock(heldMutex);
    const auto [found, added] = heldFiles().try_emplace(path, fd);
    if (!added) {
        ::close(found->second);
        found->second = fd;
    }
}

void OutputReservation::release(const QString& path) {
    const int fd = take(path);
    if (fd >= 0)
        ::close(fd);
}

int OutputReservation::openForWriting(const QString& path) {
    const int held = take(path);
    if (held >= 0)
        return held;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw ComponentError(QStringLiteral("Cannot create %1: %2.")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return fd;
}
