#include "desktop/launcherentry.h"

#include <cmath>
#include <QDBusMessage>

LauncherEntry::LauncherEntry(QDBusConnection bus, const QString& desktopEntry)
    : m_bus(std::move(bus)), m_uri(QStringLiteral("application://") + desktopEntry) {}

LauncherEntry::~LauncherEntry() {
    clear();
}

void LauncherEntry::show(double fraction, int rowsLeft) {
    if (m_shown && rowsLeft == m_rowsLeft && std::abs(fraction - m_fraction) < 0.01)
        return;
    m_shown = true;
    m_fraction = fraction;
    m_rowsLeft = rowsLeft;
    send({{QStringLiteral("progress"), fraction},
          {QStringLiteral("progress-visible"), true},
          {QStringLiteral("count"), qint64(rowsLeft)},
          {QStringLiteral("count-visible"), rowsLeft > 0}});
}

void LauncherEntry::clear() {
    if (!m_shown)
        return;
    m_shown = false;
    send({{QStringLiteral("progress-visible"), false}, {QStringLiteral("count-visible"), false}});
}

void LauncherEntry::send(const QVariantMap& properties) {
    if (!m_bus.isConnected())
        return;
    QDBusMessage update =
        QDBusMessage::createSignal(QStringLiteral("/org/orvelle/LauncherEntry"),
                                   QLatin1String(Interface), QStringLiteral("Update"));
    update << m_uri << properties;
    m_bus.send(update);
}
