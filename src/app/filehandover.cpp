#include "app/filehandover.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

namespace {

constexpr int SendWaitMs = 3000;
// Far more than any list of paths; a peer that sends more is not Orvelle.
constexpr qint64 MostBytes = 4 * 1024 * 1024;

} // namespace

QString FileHandOver::socketPath(const QString& lockPath) {
    return lockPath + QStringLiteral(".socket");
}

bool FileHandOver::send(const QString& socket, const QStringList& paths) {
    QLocalSocket peer;
    peer.connectToServer(socket);
    if (!peer.waitForConnected(SendWaitMs))
        return false;
    peer.write(paths.join(QLatin1Char('\n')).toUtf8());
    peer.disconnectFromServer();
    return peer.state() == QLocalSocket::UnconnectedState || peer.waitForDisconnected(SendWaitMs);
}

FileHandOver::FileHandOver(QObject* parent) : QObject(parent), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &FileHandOver::takeConnection);
}

FileHandOver::~FileHandOver() = default;

bool FileHandOver::listen(const QString& socket) {
    QLocalServer::removeServer(socket);
    return m_server->listen(socket);
}

void FileHandOver::takeConnection() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, this, [this, peer] {
            const QByteArray bytes = peer->readAll();
            peer->deleteLater();
            if (peer->property("refused").toBool())
                return;
            QStringList paths = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
            paths.removeAll(QString());
            if (!paths.isEmpty())
                emit pathsReceived(paths);
        });
        connect(peer, &QLocalSocket::readyRead, this, [peer] {
            if (peer->bytesAvailable() > MostBytes) {
                peer->setProperty("refused", true);
                peer->abort();
            }
        });
    }
}
