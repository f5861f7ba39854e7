#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

class QDBusPendingCallWatcher;

// Keeps the machine from going to sleep while a job runs: a "sleep" lock
// from logind on the system bus, or where logind refuses or is missing, from
// the desktop portal on the session bus. Asked for asynchronously with a short
// time-out, so a bus that answers slowly never holds up the window; a lock
// that arrives after it was released is given back at once. Without either
// service nothing is held, quietly.
class SleepInhibitor : public QObject {
    Q_OBJECT
public:
    enum class Holder { None, Logind, Portal };

    SleepInhibitor(QDBusConnection system, QDBusConnection session, int timeoutMs,
                   QObject* parent = nullptr);
    ~SleepInhibitor() override;

    void inhibit(const QString& why);
    void release();
    Holder holder() const { return m_holder; }

signals:
    // A lock was taken, or both services said no.
    void settled();

private:
    void askLogind();
    void askPortal();
    void gotLogind(QDBusPendingCallWatcher* call, unsigned request);
    void gotPortal(QDBusPendingCallWatcher* call, unsigned request);
    void closePortalRequest(const QString& handle);

    QDBusConnection m_system;
    QDBusConnection m_session;
    int m_timeout;
    QString m_why;
    // Counts inhibit and release calls: a reply for an earlier one is stale.
    unsigned m_request = 0;
    Holder m_holder = Holder::None;
    QDBusUnixFileDescriptor m_lock; // logind's: the lock lasts while it is open
    QString m_portalHandle;
};
