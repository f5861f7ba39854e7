#include "mirror/treewalker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

qint64 nanoseconds(const struct timespec& time) {
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// Names whose bytes are not UTF-8 cannot be told apart once read as text,
// and the output's name is text: such a name is reported instead.
bool isUtf8(const QByteArray& name) {
    return QString::fromUtf8(name).toUtf8() == name;
}

} // namespace

TreeWalker::TreeWalker(const QString& root, std::set<FolderId> excluded)
    : m_excluded(std::move(excluded)) {
    QByteArray path = QFile::encodeName(root);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    m_pending.push_back({path, QString()});
}

bool TreeWalker::idOf(const QString& path, FolderId* id) {
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    *id = {quint64(info.st_dev), quint64(info.st_ino)};
    return true;
}

bool TreeWalker::step(std::vector<File>* files, std::vector<Problem>* problems) {
    if (m_pending.empty())
        return false;
    const Pending folder = std::move(m_pending.back());
    m_pending.pop_back();
    const QString shown = QFile::decodeName(folder.path);

    const int fd = ::open(folder.path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat own;
    if (fd < 0 || ::fstat(fd, &own) != 0) {
        problems->push_back(
            {shown, QStringLiteral("The folder cannot be read: %1.").arg(systemError(errno)),
             true});
        if (fd >= 0)
            ::close(fd);
        return true;
    }
    const FolderId id{quint64(own.st_dev), quint64(own.st_ino)};
    if (m_excluded.count(id) > 0) {
        ::close(fd);
        return true;
    }
    if (!m_seen.insert(id).second) {
        problems->push_back(
            {shown,
             QStringLiteral("The folder was entered before (a link loop, or a second "
                            "link to it); it is not entered again."),
             false});
        ::close(fd);
        return true;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        problems->push_back(
            {shown, QStringLiteral("The folder cannot be read: %1.").arg(systemError(errno)),
             true});
        ::close(fd);
        return true;
    }
    std::vector<QByteArray> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
        errno = 0;
    }
    if (errno != 0)
        problems->push_back(
            {shown, QStringLiteral("The folder was read only in part: %1.").arg(systemError(errno)),
             true});
    std::sort(names.begin(), names.end());

    std::vector<Pending> folders;
    const QByteArray prefix = folder.path == "/" ? QByteArray("/") : folder.path + '/';
    for (const QByteArray& name : names) {
        const QByteArray path = prefix + name;
        if (!isUtf8(name)) {
            problems->push_back(
                {QFile::decodeName(path),
                 QStringLiteral("The name is not valid UTF-8 and is left out; rename it to "
                                "include it."),
                 false});
            continue;
        }
        struct stat info;
        if (::fstatat(::dirfd(dir), name.constData(), &info, 0) != 0) {
            const int error = errno;
            problems->push_back(
                {QFile::decodeName(path),
                 error == ELOOP || error == ENOENT
                     ? QStringLiteral("The link leads nowhere: %1.").arg(systemError(error))
                     : QStringLiteral("It cannot be looked at: %1.").arg(systemError(error)),
                 error != ENOENT && error != ELOOP});
            continue;
        }
        const QString relative = folder.relative + QString::fromUtf8(name);
        if (S_ISDIR(info.st_mode))
            folders.push_back({path, relative + QLatin1Char('/')});
        else if (S_ISREG(info.st_mode))
            files->push_back({QString::fromUtf8(path), relative, qint64(info.st_size),
                              nanoseconds(info.st_mtim)});
    }
    ::closedir(dir);
    // The first sub-folder in name order is entered next.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        m_pending.push_back(std::move(*it));
    return true;
}
