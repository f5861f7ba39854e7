#pragma once

#include "control/jobwatcher.h"

#include <QDBusConnection>
#include <QObject>

class QDBusPendingCallWatcher;
class Shell;

// A desktop notification when a job has ended, saying how it went, with an
// action that opens the output folder. A later job's notification takes the
// place of the earlier one. Without a notification service, or when it
// answers late or with an error, nothing is shown and nothing waits.
class JobNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr const char* Service = "org.freedesktop.Notifications";
    static constexpr const char* OpenFolder = "open-folder";

    JobNotifier(QDBusConnection bus, Shell& shell, int timeoutMs, QObject* parent = nullptr);

    void notify(const JobOutcome& outcome);

    // "Rip finished: 12 of 12 tracks accurate", "Conversion finished: 2 of 9
    // files failed", ...
    static QString summary(const JobOutcome& outcome);

signals:
    // The service answered the last notification (with its id) or refused it.
    void answered();

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    void shown(QDBusPendingCallWatcher* call, const QString& folder);

    QDBusConnection m_bus;
    Shell& m_shell;
    int m_timeout;
    bool m_listening = false;
    uint m_shown = 0; // the notification on screen, 0 for none
    QString m_folder; // the folder its action opens
};
