#pragma once

#include "checksums/accuraterip.h"

#include <functional>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

// A web server on 127.0.0.1 for tests (AccurateRip, MusicBrainz): each
// request is kept and answered by respond when set, else with reply, an HTTP
// response as it stands (none while it is empty, as a server that never answers).
class HttpTestServer : public QObject {
public:
    QByteArray reply;
    std::function<QByteArray(const QByteArray& request)> respond;
    QList<QByteArray> requests;

    HttpTestServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    if ((reply.isEmpty() && !respond) ||
                        !socket->peek(1 << 16).contains("\r\n\r\n"))
                        return;
                    requests << socket->readAll();
                    const QByteArray answer = respond ? respond(requests.last()) : reply;
                    if (answer.isEmpty())
                        return; // keeps the client waiting
                    socket->write(answer);
                    socket->disconnectFromHost();
                });
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    // From now on nobody answers, as when the network is gone.
    void close() { m_server.close(); }

    // A response with the body, its length announced as announced (the body's own by default).
    static QByteArray http(int status, const QByteArray& body, qsizetype announced = -1,
                           const QByteArray& headers = {}) {
        return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
               QByteArray::number(announced < 0 ? body.size() : announced) +
               "\r\nConnection: close\r\n" + headers + "\r\n" + body;
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
