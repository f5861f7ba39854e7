#pragma once

#include <functional>
#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

// A CDDB server over HTTP on 127.0.0.1 for tests. Each request's "cmd" is
// recorded (with "+" read as a blank) and answered by the reply function.
class CddbTestServer : public QObject {
public:
    enum class Behaviour { Answer, Silent, Hangup, Truncate, HttpError };

    Behaviour behaviour = Behaviour::Answer;
    std::function<QByteArray(const QString& cmd)> reply;
    QStringList commands;
    QStringList hellos;
    QStringList protos;

    CddbTestServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    quint16 port() const { return m_server.serverPort(); }

    // A port on which nothing listens.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

private:
    void serve(QTcpSocket* socket) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            m_pending[socket] += socket->readAll();
            const QByteArray& request = m_pending[socket];
            if (!request.contains("\r\n\r\n"))
                return;
            const QByteArray line = request.left(request.indexOf("\r\n"));
            m_pending.remove(socket);
            const QByteArray target = line.split(' ').value(1);
            const QUrlQuery query(QString::fromLatin1(target.mid(target.indexOf('?') + 1)));
            const auto value = [&](const char* key) {
                return query.queryItemValue(QLatin1String(key), QUrl::FullyDecoded)
                    .replace(QLatin1Char('+'), QLatin1Char(' '));
            };
            commands << value("cmd");
            hellos << value("hello");
            protos << value("proto");
            answer(socket, reply ? reply(commands.last()) : QByteArray());
        });
    }

    void answer(QTcpSocket* socket, const QByteArray& body) {
        switch (behaviour) {
        case Behaviour::Silent:
            return;
        case Behaviour::Hangup:
            socket->disconnectFromHost();
            return;
        case Behaviour::HttpError:
            socket->write("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n"
                          "Connection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        case Behaviour::Truncate:
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                          QByteArray::number(body.size() + 100) + "\r\nConnection: close\r\n\r\n" +
                          body);
            socket->disconnectFromHost();
            return;
        case Behaviour::Answer:
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                          "Content-Length: " +
                          QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
            return;
        }
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
};
