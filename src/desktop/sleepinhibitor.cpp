#include "desktop/sleepinhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString Logind = QStringLiteral("org.freedesktop.login1");
const QString Portal = QStringLiteral("org.freedesktop.portal.Desktop");
constexpr uint PortalSuspend = 4;

} // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection system, QDBusConnection session, int timeoutMs,
                               QObject* parent)
    : QObject(parent), m_system(std::move(system)), m_session(std::move(session)),
      m_timeout(timeoutMs) {}

SleepInhibitor::~SleepInhibitor() {
    release();
}

void SleepInhibitor::inhibit(const QString& why) {
    release();
    m_why = why;
    askLogind();
}

void SleepInhibitor::release() {
    ++m_request;
    // Closing logind's descriptor ends its lock.
    m_lock = QDBusUnixFileDescriptor();
    if (!m_portalHandle.isEmpty())
        closePortalRequest(m_portalHandle);
    m_portalHandle.clear();
    m_holder = Holder::None;
}

void SleepInhibitor::askLogind() {
    if (!m_system.isConnected())
        return askPortal();
    QDBusMessage call = QDBusMessage::createMethodCall(
        Logind, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Orvelle") << m_why
         << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call, m_timeout), this);
    const unsigned request = m_request;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* done) { gotLogind(done, request); });
}

void SleepInhibitor::gotLogind(QDBusPendingCallWatcher* call, unsigned request) {
    call->deleteLater();
    QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
    if (request != m_request)
        return; // released meanwhile: the descriptor closes with the reply
    if (reply.isError() || !reply.value().isValid())
        return askPortal();
    m_lock = reply.value();
    m_holder = Holder::Logind;
    emit settled();
}

void SleepInhibitor::askPortal() {
    if (!m_session.isConnected()) {
        emit settled();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        Portal, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << PortalSuspend << QVariantMap{{QStringLiteral("reason"), m_why}};
    auto* watcher = new QDBusPendingCallWatcher(m_session.asyncCall(call, m_timeout), this);
    const unsigned request = m_request;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* done) { gotPortal(done, request); });
}

void SleepInhibitor::gotPortal(QDBusPendingCallWatcher* call, unsigned request) {
    call->deleteLater();
    QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        if (request == m_request)
            emit settled();
        return;
    }
    const QString handle = reply.value().path();
    if (request != m_request)
        return closePortalRequest(handle);
    m_portalHandle = handle;
    m_holder = Holder::Portal;
    emit settled();
}

void SleepInhibitor::closePortalRequest(const QString& handle) {
    m_session.send(QDBusMessage::createMethodCall(
        Portal, handle, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
}
