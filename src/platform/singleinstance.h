#pragma once

#include <memory>
#include <QString>

class QLockFile;

// One Orvelle per user: a lock file in a folder that is the user's alone. A
// second start finds it held and ends silently; a restart after an error waits
// for the old process to let go. A lock left by a process that has gone is
// taken over.
class SingleInstance {
public:
    // The user's private folder for the lock and the hand-over socket:
    // $XDG_RUNTIME_DIR when it is the user's own with mode 0700, else
    // "orvelle-<uid>" in the temporary folder, made with mode 0700 and checked
    // for owner and mode before use. Empty, with the reason in `error`, when
    // that folder belongs to someone else or others may enter it: a shared
    // folder would let another user block Orvelle or listen to its hand-over.
    static QString privateFolder(QString* error = nullptr);
    // The lock in the private folder; empty when there is none.
    static QString defaultLockPath();

    // An empty lockPath means the default lock; when there is no private
    // folder, acquire() fails and error() says why.
    explicit SingleInstance(const QString& lockPath = QString());
    ~SingleInstance();

    // True when this process now holds the lock. waitMs > 0 waits that long for
    // a running instance to end.
    bool acquire(int waitMs = 0);
    void release();
    // Why acquire() failed when the reason is not another running Orvelle; empty otherwise.
    const QString& error() const { return m_error; }

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_error;
};
