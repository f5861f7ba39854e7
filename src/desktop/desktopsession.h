#pragma once

#include "control/jobwatcher.h"

#include <functional>
#include <memory>
#include <QDBusConnection>
#include <QObject>

class JobNotifier;
class LauncherEntry;
class Shell;
class SleepInhibitor;

// Tells the desktop around the window what a job is doing: the machine may
// not sleep while it runs, the task bar shows its progress, and when it ends
// while the window is not active a notification says how it went. Each part
// is optional and fails quietly where the desktop lacks it; nothing here ever
// waits for the desktop.
class DesktopSession : public QObject, public JobWatcher {
    Q_OBJECT
public:
    // The buses are reached only once the first job starts; tests give private ones.
    struct Buses {
        std::function<QDBusConnection()> session;
        std::function<QDBusConnection()> system;
        int timeoutMs = 3000;
        static Buses real();
    };

    explicit DesktopSession(Shell& shell, Buses buses = Buses::real(), QObject* parent = nullptr);
    ~DesktopSession() override;

    // Whether the user is looking at the window; a notification only when not.
    void setWindowActive(std::function<bool()> active) { m_windowActive = std::move(active); }

    void jobStarted(JobOutcome::Kind kind, int rows) override;
    void jobProgressed(double fraction, int rowsLeft) override;
    void jobEnded(const JobOutcome& outcome) override;

    // Null before the first job.
    SleepInhibitor* inhibitor() const { return m_inhibitor.get(); }
    JobNotifier* notifier() const { return m_notifier.get(); }

private:
    void connectBuses();

    Shell& m_shell;
    Buses m_buses;
    std::function<bool()> m_windowActive;
    std::unique_ptr<SleepInhibitor> m_inhibitor;
    std::unique_ptr<LauncherEntry> m_launcher;
    std::unique_ptr<JobNotifier> m_notifier;
};
