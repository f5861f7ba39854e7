#pragma once

#include <QNetworkReply>
#include <QPointer>

// Lets go of a request still running: it is aborted and nothing more of it
// reaches receiver, so a later lookup never takes an earlier one's answer.
inline void dropNetworkReply(QPointer<QNetworkReply>& held, QObject* receiver) {
    if (QNetworkReply* reply = held) {
        held = nullptr;
        reply->disconnect(receiver);
        reply->abort();
        reply->deleteLater();
    }
}
