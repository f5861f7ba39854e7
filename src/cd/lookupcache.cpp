#include "cd/lookupcache.h"

#include "platform/privatefolder.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// The server as a folder name a person can still recognise: its host and
// port, with a digest of the whole address so that two servers on one host
// (or two schemes) never share answers.
QString serverFolderName(const QString& server) {
    const QUrl url(server);
    QString name;
    for (const QChar c : url.host().toLower() +
                             (url.port() > 0 ? QStringLiteral("_%1").arg(url.port()) : QString()))
        if ((c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('.') ||
            c == QLatin1Char('-') || c == QLatin1Char('_'))
            name += c;
    const QByteArray digest =
        QCryptographicHash::hash(server.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return name.left(64) + QLatin1Char('-') + QString::fromLatin1(digest);
}

// A sub-folder of the user's own, opened without following a link; made when asked.
int openSubFolder(int parent, const QString& name, bool make) {
    const QByteArray encoded = QFile::encodeName(name);
    if (make && ::mkdirat(parent, encoded.constData(), 0700) != 0 && errno != EEXIST)
        return -1;
    Fd fd(::openat(parent, encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid())
        return -1;
    return fd.release();
}

} // namespace

QString LookupCache::defaultRoot() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : QDir::cleanPath(cache + QStringLiteral("/orvelle"));
}

LookupCache::LookupCache(QString root, QString service, QString server)
    : m_root(std::move(root)), m_service(std::move(service)),
      m_serverFolder(serverFolderName(server)) {}

QString LookupCache::folder() const {
    return m_service + QLatin1Char('/') + m_serverFolder;
}

bool LookupCache::isKey(const QString& key) {
    if (key.isEmpty() || key.size() > 200 || key.startsWith(QLatin1Char('.')))
        return false;
    for (const QChar c : key)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') &&
            c != QLatin1Char('_') && c != QLatin1Char('-'))
            return false;
    return true;
}

int LookupCache::openFolder(bool make) const {
    if (m_root.isEmpty())
        return -1;
    QString error;
    struct stat info {};
    if (!make && ::lstat(QFile::encodeName(m_root).constData(), &info) != 0 && errno == ENOENT)
        return -1; // nothing kept yet
    if (make) {
        QDir().mkpath(QFileInfo(m_root).absolutePath());
        error = PrivateFolder::make(m_root);
    }
    Fd root(error.isEmpty() ? PrivateFolder::open(m_root, &error) : -1);
    if (root.get() < 0) {
        // Said once: the lookups go on, without their cache.
        static std::atomic<bool> said{false};
        if (!said.exchange(true))
            qWarning("The cache folder %s is not used: %s.", qUtf8Printable(m_root),
                     qUtf8Printable(error));
        return -1;
    }
    Fd service(openSubFolder(root.get(), m_service, make));
    if (service.get() < 0)
        return -1;
    return openSubFolder(service.get(), m_serverFolder, make);
}

std::optional<LookupCache::Entry> LookupCache::read(const QString& key, qint64 maxBytes) const {
    if (!isKey(key))
        return std::nullopt;
    const Fd folder(openFolder(false));
    if (folder.get() < 0)
        return std::nullopt;
    const Fd file(::openat(folder.get(), QFile::encodeName(key).constData(),
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid() || info.st_size > maxBytes)
        return std::nullopt;
    Entry entry;
    entry.body.resize(qsizetype(info.st_size));
    qsizetype done = 0;
    while (done < entry.body.size()) {
        const ssize_t got =
            ::read(file.get(), entry.body.data() + done, size_t(entry.body.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        done += got;
    }
    const qint64 age = QDateTime::currentSecsSinceEpoch() - qint64(info.st_mtime);
    entry.fresh = age >= 0 && age < FreshSeconds;
    return entry;
}

void LookupCache::write(const QString& key, const QByteArray& body) const {
    if (!isKey(key))
        return;
    const Fd folder(openFolder(true));
    if (folder.get() < 0)
        return;
    // Written beside under a name of its own and renamed over the old answer:
    // a reader never sees half of it, and a link in its place is replaced, not followed.
    static std::atomic<int> counter{0};
    const QByteArray part =
        QFile::encodeName(QStringLiteral(".%1.%2-%3.part").arg(key).arg(::getpid()).arg(++counter));
    const QByteArray name = QFile::encodeName(key);
    const Fd file(::openat(folder.get(), part.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0)
        return;
    qsizetype done = 0;
    while (done < body.size()) {
        const ssize_t put =
            ::write(file.get(), body.constData() + done, size_t(body.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += put;
    }
    if (done != body.size() ||
        ::renameat(folder.get(), part.constData(), folder.get(), name.constData()) != 0)
        ::unlinkat(folder.get(), part.constData(), 0);
}
