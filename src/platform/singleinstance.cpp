#include "platform/singleinstance.h"

#include <cerrno>
#include <cstring>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A lock file with no process in it was cut short when it was made (a crash, a
// power cut); one this old is no start in progress.
constexpr qint64 EmptyLockAgeMs = 5000;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why `folder` is not the user's alone, or nothing when it is: it must be a
// folder itself (not a link to one), owned by this user, and closed to others.
QString privacyProblem(const QString& folder) {
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return systemError(errno);
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

QString SingleInstance::privateFolder(QString* error) {
    const QString runtime = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (QDir::isAbsolutePath(runtime) && privacyProblem(runtime).isEmpty())
        return runtime;

    QString temporary = QDir::tempPath();
    if (temporary.isEmpty())
        temporary = QStringLiteral("/tmp"); // TMPDIR names no folder
    const QString folder = temporary + QStringLiteral("/orvelle-%1").arg(quint64(::geteuid()));
    const QByteArray name = QFile::encodeName(folder);
    QString problem;
    if (::mkdir(name.constData(), 0700) == 0)
        ::chmod(name.constData(), 0700); // what the umask took away
    else if (errno != EEXIST)
        problem = systemError(errno);
    if (problem.isEmpty())
        problem = privacyProblem(folder);
    if (problem.isEmpty())
        return folder;
    if (error)
        *error = QStringLiteral("The lock folder %1 is not private (%2), so Orvelle does not "
                                "start: another user could keep it from starting or read the "
                                "names of the files it opens. Remove that folder, or set "
                                "XDG_RUNTIME_DIR to a folder of your own with mode 700.")
                     .arg(folder, problem);
    return {};
}

QString SingleInstance::defaultLockPath() {
    const QString folder = privateFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/orvelle.lock");
}

SingleInstance::SingleInstance(const QString& lockPath) {
    QString path = lockPath;
    if (path.isEmpty()) {
        const QString folder = privateFolder(&m_error);
        if (folder.isEmpty())
            return;
        path = folder + QStringLiteral("/orvelle.lock");
    }
    m_lock = std::make_unique<QLockFile>(path);
    // A lock whose process no longer runs is taken over at once; one whose
    // process runs is never taken, however old.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire(int waitMs) {
    if (!m_lock)
        return false;
    if (m_lock->tryLock(waitMs))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError) {
        // QLockFile tells a stale lock by the process named in it; it would
        // wait forever for one that names none. removeStaleLockFile() leaves a
        // lock that a running Orvelle holds.
        qint64 pid = 0;
        QString host, application;
        const QString path = m_lock->fileName();
        const qint64 age = QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime());
        if (!m_lock->getLockInfo(&pid, &host, &application) && age > EmptyLockAgeMs &&
            m_lock->removeStaleLockFile())
            return m_lock->tryLock(0);
        return false;
    }
    m_error = QStringLiteral("The lock file %1 cannot be made, so Orvelle does not start.")
                  .arg(m_lock->fileName());
    return false;
}

void SingleInstance::release() {
    if (m_lock)
        m_lock->unlock();
}
