#include "components/output/outputreservation.h"

#include "components/componenterror.h"
#include "platform/partfilename.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray native(const QString& name) {
    return QFile::encodeName(name);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name a rewrite of the file called name is made under: the part name of
// the final name with a dot before it (or without it again), which no output
// name has, since none starts with a dot.
QString replacementNameOf(const QString& name) {
    const std::optional<PartName> part = parsePartName(native(name));
    if (!part)
        return partNameOf(QLatin1Char('.') + name);
    const QString inner = part->finalName;
    return partNameOf(inner.startsWith(QLatin1Char('.')) ? inner.mid(1) : QLatin1Char('.') + inner);
}

} // namespace

// ---------------------------------------------------------------- OutputFolder

OutputFolder::OutputFolder(const QString& path)
    : m_path(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/')) {
    m_fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        throw ComponentError(
            QStringLiteral("Cannot open the folder %1: %2.").arg(path, systemText(errno)));
}

OutputFolder::OutputFolder(const OutputFolder& parent, const QString& name)
    : m_path(parent.path() + name + QLatin1Char('/')) {
    const QByteArray entry = native(name);
    if (::mkdirat(parent.fd(), entry.constData(), 0777) != 0 && errno != EEXIST)
        throw ComponentError(QStringLiteral("Cannot create the folder %1.").arg(m_path));
    m_fd =
        ::openat(parent.fd(), entry.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // A link there is followed only where nobody else could have put it: in
    // a folder of the user's that only the user may write.
    struct stat folder;
    if (m_fd < 0 && errno == ELOOP && ::fstat(parent.fd(), &folder) == 0 &&
        folder.st_uid == ::geteuid() && (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        m_fd = ::openat(parent.fd(), entry.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        throw ComponentError(QStringLiteral("Cannot create the folder %1.").arg(m_path));
}

OutputFolder::~OutputFolder() {
    ::close(m_fd);
}

bool OutputFolder::has(const QString& name) const {
    struct stat info;
    return ::fstatat(m_fd, native(name).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 ||
           errno != ENOENT;
}

// ---------------------------------------------------------------- ReservedFile

ReservedFile::ReservedFile(std::shared_ptr<const OutputFolder> folder, QString name, int fd,
                           bool made)
    : m_folder(std::move(folder)), m_name(std::move(name)), m_fd(fd), m_made(made) {}

std::shared_ptr<ReservedFile> ReservedFile::create(std::shared_ptr<const OutputFolder> folder,
                                                   const QString& name, int* error) {
    const int fd = ::openat(folder->fd(), native(name).constData(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    *error = 0;
    return std::shared_ptr<ReservedFile>(new ReservedFile(std::move(folder), name, fd, true));
}

std::shared_ptr<ReservedFile> ReservedFile::openExisting(const QString& path, QString* error) {
    const QFileInfo info(path);
    const QString real = info.canonicalFilePath();
    if (real.isEmpty()) {
        *error = systemText(ENOENT);
        return nullptr;
    }
    std::shared_ptr<const OutputFolder> folder;
    try {
        folder = std::make_shared<OutputFolder>(QFileInfo(real).path());
    } catch (const ComponentError& e) {
        *error = e.message();
        return nullptr;
    }
    const QString name = QFileInfo(real).fileName();
    const QByteArray entry = native(name);
    int fd = ::openat(folder->fd(), entry.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    mode_t restore = 0;
    if (fd < 0 && errno == EACCES) {
        // A read-only file is tagged all the same: writable for the time of
        // the write, through its own descriptor.
        const int readOnly =
            ::openat(folder->fd(), entry.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (readOnly >= 0 && ::fstat(readOnly, &st) == 0 &&
            ::fchmod(readOnly, (st.st_mode & 07777) | S_IWUSR) == 0) {
            restore = st.st_mode & 07777;
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(readOnly);
            fd = ::open(self.constData(), O_RDWR | O_CLOEXEC);
            if (fd < 0)
                ::fchmod(readOnly, restore);
        }
        errno = EACCES;
        if (readOnly >= 0)
            ::close(readOnly);
    }
    if (fd < 0) {
        *error = systemText(errno);
        return nullptr;
    }
    auto file = std::shared_ptr<ReservedFile>(new ReservedFile(folder, name, fd, false));
    file->m_restoreMode = restore;
    return file;
}

ReservedFile::~ReservedFile() {
    dropReplacement();
    if (m_restoreMode != 0)
        ::fchmod(m_fd, m_restoreMode);
    ::close(m_fd);
}

QString ReservedFile::path() const {
    return m_folder->path() + m_name;
}

bool ReservedFile::stillNamed(const QString& name, int fd) const {
    struct stat named;
    struct stat held;
    return ::fstatat(m_folder->fd(), native(name).constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(fd, &held) == 0 && sameFile(named, held);
}

void ReservedFile::dropReplacement() {
    if (m_replacementFd < 0)
        return;
    if (stillNamed(m_replacementName, m_replacementFd))
        ::unlinkat(m_folder->fd(), native(m_replacementName).constData(), 0);
    ::close(m_replacementFd);
    m_replacementFd = -1;
}

int ReservedFile::createReplacement() {
    dropReplacement();
    m_replacementName = replacementNameOf(m_name);
    // A file found keeps its permissions, given to the replacement at the end;
    // until then nobody else may read it.
    m_replacementFd =
        ::openat(m_folder->fd(), native(m_replacementName).constData(),
                 O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, m_made ? 0666 : 0600);
    return m_replacementFd;
}

int ReservedFile::useReplacement() {
    if (m_replacementFd < 0)
        return EBADF;
    const int folder = m_folder->fd();
    if (m_made) {
        // The part file goes; the replacement is the file from now on, under its own part name.
        if (!stillNamed(m_name, m_fd))
            return ESTALE;
        ::unlinkat(folder, native(m_name).constData(), 0);
        m_name = m_replacementName;
    } else {
        struct stat st;
        if (::fstat(m_fd, &st) != 0)
            return errno;
        const mode_t mode = m_restoreMode != 0 ? m_restoreMode : st.st_mode & 07777;
        // Only a privileged process may hand the new file to the old one's
        // owner; chown clears set-id bits, so the mode goes last.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            [[maybe_unused]] const int owned = ::fchown(m_replacementFd, st.st_uid, st.st_gid);
        }
        ::fchmod(m_replacementFd, mode);
        if (::renameat(folder, native(m_replacementName).constData(), folder,
                       native(m_name).constData()) != 0)
            return errno;
        m_restoreMode = 0;
    }
    ::close(m_fd);
    m_fd = m_replacementFd;
    m_replacementFd = -1;
    m_replacementName.clear();
    return 0;
}

int ReservedFile::rename(const QString& name) {
    if (!stillNamed(m_name, m_fd))
        return ESTALE;
    const int folder = m_folder->fd();
    const QByteArray from = native(m_name);
    const QByteArray to = native(name);
    if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0) {
        m_name = name;
        return 0;
    }
    int error = errno;
    // Without the no-replace rename (some file systems), a new link fails
    // just as well on a taken name.
    if (error == EINVAL || error == ENOSYS) {
        if (::linkat(folder, from.constData(), folder, to.constData(), 0) == 0) {
            ::unlinkat(folder, from.constData(), 0);
            m_name = name;
            return 0;
        }
        error = errno;
    }
    return error;
}

void ReservedFile::remove() {
    if (stillNamed(m_name, m_fd))
        ::unlinkat(m_folder->fd(), native(m_name).constData(), 0);
}

// ---------------------------------------------------------------- OutputReservation

namespace {

std::mutex heldMutex;
std::map<QString, std::shared_ptr<ReservedFile>>& heldFiles() {
    static std::map<QString, std::shared_ptr<ReservedFile>> files;
    return files;
}

} // namespace

namespace OutputReservation {

int reserve(const std::shared_ptr<const OutputFolder>& folder, const QString& name) {
    int error = 0;
    std::shared_ptr<ReservedFile> file = ReservedFile::create(folder, name, &error);
    if (!file)
        return error;
    std::lock_guard lock(heldMutex);
    heldFiles()[folder->path() + name] = std::move(file);
    return 0;
}

std::shared_ptr<ReservedFile> find(const QString& path) {
    std::lock_guard lock(heldMutex);
    const auto found = heldFiles().find(path);
    return found != heldFiles().end() ? found->second : nullptr;
}

std::shared_ptr<ReservedFile> take(const QString& path) {
    std::lock_guard lock(heldMutex);
    const auto found = heldFiles().find(path);
    if (found == heldFiles().end())
        return nullptr;
    std::shared_ptr<ReservedFile> file = std::move(found->second);
    heldFiles().erase(found);
    return file;
}

int openForWriting(const QString& path) {
    int fd = -1;
    if (const std::shared_ptr<ReservedFile> held = find(path)) {
        fd = ::fcntl(held->fd(), F_DUPFD_CLOEXEC, 0);
        if (fd >= 0 && (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)) {
            ::close(fd);
            fd = -1;
        }
    } else {
        fd = ::open(native(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                    0666);
    }
    if (fd < 0)
        throw ComponentError(QStringLiteral("Cannot create %1: %2.").arg(path, systemText(errno)));
    return fd;
}

void remove(const QString& path) {
    if (const std::shared_ptr<ReservedFile> held = take(path))
        held->remove();
    else
        ::unlink(native(path).constData());
}

} // namespace OutputReservation
