#include "platform/singleinstance.h"

#include "platform/privatefolder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <unistd.h>

namespace {

// A lock file with no process in it was cut short when it was made (a crash, a
// power cut); one this old is no start in progress.
constexpr qint64 EmptyLockAgeMs = 5000;

} // namespace

QString SingleInstance::privateFolder(QString* error) {
    const QString runtime = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (QDir::isAbsolutePath(runtime) && PrivateFolder::problem(runtime).isEmpty())
        return runtime;

    QString temporary = QDir::tempPath();
    if (temporary.isEmpty())
        temporary = QStringLiteral("/tmp"); // TMPDIR names no folder
    const QString folder = temporary + QStringLiteral("/orvelle-%1").arg(quint64(::geteuid()));
    const QString problem = PrivateFolder::make(folder);
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
