#include "desktop/jobnotifier.h"

#include "platform/shell.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

JobNotifier::JobNotifier(QDBusConnection bus, Shell& shell, int timeoutMs, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_shell(shell), m_timeout(timeoutMs) {}

QString JobNotifier::summary(const JobOutcome& outcome) {
    const bool rip = outcome.kind == JobOutcome::Kind::Rip;
    QString text;
    int count = outcome.finished;
    if (outcome.stopped) {
        text = rip ? tr("Rip stopped: %1 of %2 tracks ripped")
                   : tr("Conversion stopped: %1 of %2 files converted");
    } else if (outcome.failed > 0) {
        count = outcome.failed;
        text = rip ? tr("Rip finished: %1 of %2 tracks failed")
                   : tr("Conversion finished: %1 of %2 files failed");
    } else if (rip && outcome.verified) {
        count = outcome.accurate;
        text = tr("Rip finished: %1 of %2 tracks accurate");
    } else {
        text = rip ? tr("Rip finished: %1 of %2 tracks ripped")
                   : tr("Conversion finished: %1 of %2 files converted");
    }
    return text.arg(count).arg(outcome.rows);
}

void JobNotifier::notify(const JobOutcome& outcome) {
    if (!m_bus.isConnected() || outcome.rows <= 0)
        return;
    if (!m_listening) {
        m_listening = true;
        m_bus.connect(QLatin1String(Service), Path, QLatin1String(Service),
                      QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
        m_bus.connect(QLatin1String(Service), Path, QLatin1String(Service),
                      QStringLiteral("NotificationClosed"), this,
                      SLOT(notificationClosed(uint, uint)));
    }
    QStringList actions;
    if (!outcome.folder.isEmpty()) {
        // "default" is a click on the notification itself.
        const QString open = tr("Open Folder");
        actions << QStringLiteral("default") << open << QLatin1String(OpenFolder) << open;
    }
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("orvelle")},
        {QStringLiteral("category"), outcome.failed > 0 ? QStringLiteral("transfer.error")
                                                        : QStringLiteral("transfer.complete")}};
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(Service), Path, QLatin1String(Service), QStringLiteral("Notify"));
    // The body may be read as markup: a folder's name is text.
    call << QStringLiteral("Orvelle") << m_shown << QStringLiteral("orvelle") << summary(outcome)
         << outcome.folder.toHtmlEscaped() << actions << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_timeout), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, folder = outcome.folder](QDBusPendingCallWatcher* done) { shown(done, folder); });
}

void JobNotifier::shown(QDBusPendingCallWatcher* call, const QString& folder) {
    call->deleteLater();
    QDBusPendingReply<uint> reply = *call;
    if (!reply.isError()) {
        m_shown = reply.value();
        m_folder = folder;
    }
    emit answered();
}

void JobNotifier::actionInvoked(uint id, const QString& action) {
    if (id == 0 || id != m_shown || m_folder.isEmpty())
        return;
    if (action == QLatin1String("default") || action == QLatin1String(OpenFolder))
        m_shell.openFolder(m_folder);
}

void JobNotifier::notificationClosed(uint id, uint) {
    if (id == m_shown)
        m_shown = 0;
}
