#include "desktop/desktopsession.h"

#include "desktop/jobnotifier.h"
#include "desktop/launcherentry.h"
#include "desktop/sleepinhibitor.h"

DesktopSession::Buses DesktopSession::Buses::real() {
    return {[] { return QDBusConnection::sessionBus(); },
            [] { return QDBusConnection::systemBus(); }};
}

DesktopSession::DesktopSession(Shell& shell, Buses buses, QObject* parent)
    : QObject(parent), m_shell(shell), m_buses(std::move(buses)) {}

// At exit the lock is given back and the task bar cleared, also in the middle of a job.
DesktopSession::~DesktopSession() = default;

void DesktopSession::connectBuses() {
    if (m_inhibitor)
        return;
    const QDBusConnection session = m_buses.session();
    m_inhibitor = std::make_unique<SleepInhibitor>(m_buses.system(), session, m_buses.timeoutMs);
    m_launcher = std::make_unique<LauncherEntry>(session, QStringLiteral("orvelle.desktop"));
    m_notifier = std::make_unique<JobNotifier>(session, m_shell, m_buses.timeoutMs);
}

void DesktopSession::jobStarted(JobOutcome::Kind kind, int rows) {
    connectBuses();
    m_inhibitor->inhibit(kind == JobOutcome::Kind::Rip ? tr("Ripping an audio CD")
                                                       : tr("Converting audio files"));
    m_launcher->show(0, rows);
}

void DesktopSession::jobProgressed(double fraction, int rowsLeft) {
    if (m_launcher)
        m_launcher->show(fraction, rowsLeft);
}

void DesktopSession::jobEnded(const JobOutcome& outcome) {
    if (!m_inhibitor)
        return;
    m_inhibitor->release();
    if (!m_windowActive || !m_windowActive())
        m_notifier->notify(outcome);
    m_launcher->clear();
}
