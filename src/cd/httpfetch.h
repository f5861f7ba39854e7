#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// One GET at a time over Qt Network, for the disc databases: a time-out over
// the whole request, a cap on the reply's size, and failures in words that
// name the service.
class HttpFetch : public QObject {
    Q_OBJECT
public:
    struct Result {
        int status = 0;        // HTTP status; 0 when no answer came
        QByteArray body;       // of a complete answer
        QByteArray retryAfter; // the Retry-After header, if any
        QString error;         // why no answer came; empty when one did
    };

    // service names the server in messages ("MusicBrainz").
    explicit HttpFetch(QString service, QObject* parent = nullptr);
    ~HttpFetch() override;

    void setTimeout(int ms);
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    // Only http and https addresses are asked; done comes later, once.
    void get(const QUrl& url, const QByteArray& accept = {});
    // Drops a request still running; it reports nothing.
    void cancel();

    // "Orvelle/2.00 ( https://www.orvelle.org/ )", as the databases ask to be told.
    static QByteArray userAgent();

signals:
    void done(const HttpFetch::Result& result);

private:
    void finished(QNetworkReply* reply);
    void report(Result result);

    QString m_service;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timeout;
    qint64 m_maxBytes = 8 << 20;
    QString m_abortReason;
};
