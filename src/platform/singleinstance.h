#pragma once

#include <memory>
#include <QString>

class QLockFile;

// One Orvelle per user: a lock file in the user's runtime folder. A second
// start finds it held and ends silently; a restart after an error waits for
// the old process to let go.
class SingleInstance {
public:
    static QString defaultLockPath();

    explicit SingleInstance(const QString& lockPath = defaultLockPath());
    ~SingleInstance();

    // True when this process now holds the lock. waitMs > 0 waits that long for
    // a running instance to end.
    bool acquire(int waitMs = 0);
    void release();

private:
    std::unique_ptr<QLockFile> m_lock;
};
