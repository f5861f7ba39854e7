#include "platform/filehandover.h"

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int SendWaitMs = 3000;
// Far more than any list of paths; a peer that sends more is not Orvelle.
constexpr qint64 MostBytes = 4 * 1024 * 1024;

// Only this user's own Orvelle may hand files over, and only to this user's
// own Orvelle: the other end of the socket must run as the same user, whoever
// could reach the socket.
bool isSameUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    const auto descriptor = int(socket.socketDescriptor());
    return descriptor >= 0 &&
           ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == ::geteuid();
}

// The number of paths, then each path as its length and its UTF-8 bytes (all
// counts 32 bits, most significant byte first): any name arrives whole, line
// breaks included, and a message cut short is told from a complete one.
QByteArray message(const QStringList& paths) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << quint32(paths.size());
    for (const QString& path : paths) {
        const QByteArray name = path.toUtf8();
        stream << quint32(name.size());
        stream.writeRawData(name.constData(), int(name.size()));
    }
    return bytes;
}

// False when the bytes are not one whole message.
bool readMessage(const QByteArray& bytes, QStringList* paths) {
    QDataStream stream(bytes);
    quint32 count = 0;
    stream >> count;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        quint32 size = 0;
        stream >> size;
        if (stream.status() != QDataStream::Ok || size > quint32(bytes.size()))
            return false;
        QByteArray name(qsizetype(size), Qt::Uninitialized);
        if (stream.readRawData(name.data(), int(size)) != int(size))
            return false;
        paths->append(QString::fromUtf8(name));
    }
    return stream.status() == QDataStream::Ok && stream.atEnd() && quint32(paths->size()) == count;
}

} // namespace

QString FileHandOver::socketPath(const QString& lockPath) {
    // Without a private folder there is no socket: a bare name would land in the shared one.
    return lockPath.isEmpty() ? QString() : lockPath + QStringLiteral(".socket");
}

bool FileHandOver::send(const QString& socket, const QStringList& paths) {
    if (socket.isEmpty())
        return false;
    QLocalSocket peer;
    peer.connectToServer(socket);
    if (!peer.waitForConnected(SendWaitMs))
        return false;
    if (!isSameUser(peer)) {
        peer.abort();
        return false;
    }
    peer.write(message(paths));
    peer.disconnectFromServer();
    return peer.state() == QLocalSocket::UnconnectedState || peer.waitForDisconnected(SendWaitMs);
}

FileHandOver::FileHandOver(QObject* parent) : QObject(parent), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &FileHandOver::takeConnection);
}

FileHandOver::~FileHandOver() = default;

bool FileHandOver::listen(const QString& socket) {
    if (socket.isEmpty())
        return false;
    QLocalServer::removeServer(socket);
    return m_server->listen(socket);
}

void FileHandOver::takeConnection() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        if (!isSameUser(*peer)) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        connect(peer, &QLocalSocket::disconnected, this, [this, peer] {
            const QByteArray bytes = peer->readAll();
            peer->deleteLater();
            if (peer->property("refused").toBool())
                return;
            QStringList paths;
            if (!readMessage(bytes, &paths))
                return;
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
