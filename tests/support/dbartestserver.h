#pragma once

#include "cd/accuraterip.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

// An AccurateRip server on 127.0.0.1 for tests: each request is kept and
// answered with reply, an HTTP response as it stands (none while it is empty,
// as a server that never answers).
class DbarTestServer : public QObject {
public:
    QByteArray reply;
    QList<QByteArray> requests;

    DbarTestServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    if (reply.isEmpty() || !socket->peek(1 << 16).contains("\r\n\r\n"))
                        return;
                    requests << socket->readAll();
                    socket->write(reply);
                    socket->disconnectFromHost();
                });
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    // From now on nobody answers, as when the network is gone.
    void close() { m_server.close(); }

    // A response with the body, its length announced as announced (the body's own by default).
    static QByteArray http(int status, const QByteArray& body, qsizetype announced = -1) {
        return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
               QByteArray::number(announced < 0 ? body.size() : announced) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    // A dBAR file of the chunks, as the database sends it.
    static QByteArray dbar(const QVector<ArChunk>& chunks) {
        QByteArray out;
        const auto put32 = [&out](quint32 value) {
            char bytes[4];
            qToLittleEndian<quint32>(value, bytes);
            out.append(bytes, 4);
        };
        for (const ArChunk& chunk : chunks) {
            out.append(char(chunk.trackCount));
            put32(chunk.id1);
            put32(chunk.id2);
            put32(chunk.freedb);
            for (const ArTrackEntry& track : chunk.tracks) {
                out.append(char(track.confidence));
                put32(track.crc);
                put32(track.frame450);
            }
        }
        return out;
    }

private:
    QTcpServer m_server;
};
