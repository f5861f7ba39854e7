#pragma once

#include "cd/lookupcache.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkProxy;
class QNetworkReply;

// What every client of a disc database does alike, so that a client says only
// what it asks and what an answer means. One GET at a time over Qt Network,
// with a time-out over the whole request, a cap on the reply's size, and
// redirects followed only to as safe a scheme, five at most. Each lookup has a
// number: one dropped or replaced by a newer one reports nothing more. A
// lookup begins from the event loop, so that its caller has control back
// before any answer, even one from the cache. Answers are kept per server in
// a LookupCache and used while fresh, or when the server cannot be reached.
class HttpClient : public QObject {
    Q_OBJECT
public:
    struct Reply {
        int status = 0;        // HTTP status; 0 when no answer came
        QByteArray body;       // of a complete answer
        QByteArray retryAfter; // the Retry-After header, if any
        QString error;         // why no answer came; empty when one did
        bool kept = false;     // the answer was kept from an earlier lookup
    };

    ~HttpClient() override;

    // The longest a request may take, from asking to the last byte; the
    // client's own default when 0 or less.
    void setTimeout(int ms);
    // Drops the running lookup: its request is aborted and it reports nothing.
    void cancel();
    const QString& server() const { return m_server; }

    // "Orvelle/2.00 ( https://www.orvelle.org/ )", as the databases ask to be told.
    static QByteArray userAgent();
    // A server address as typed into the settings: blanks and trailing
    // slashes gone, fallback when nothing is left, and with bareHostScheme
    // ("http") put in front of a bare host name when one is given.
    static QString serverAddress(QString text, const QString& fallback,
                                 const QString& bareHostScheme = {});

protected:
    // service names the database in messages and its cache folder
    // ("AccurateRip"); server: the address asked, without trailing slashes;
    // cacheRoot: where caches live (LookupCache::defaultRoot()), none when empty.
    HttpClient(const QString& service, QString server, const QString& cacheRoot,
               int defaultTimeoutMs, qint64 maxReplyBytes, QObject* parent);

    // Drops the running lookup and starts a new one: begin() follows from the event loop.
    void startLookup();
    bool isRunning() const { return m_running; }
    // Tells lookups apart: a report may start the next, which has another number.
    quint64 lookupNumber() const { return m_lookup; }
    // Ends the running lookup; false when none was running, and then nothing
    // may be reported. Call it before reporting: a receiver may start the next.
    bool endLookup();

    // Asks url for the running lookup; replied() gets the answer later. With
    // a cache key, an answer kept under it that isAnswer() takes is replied in
    // its place while it is fresh, or when the server cannot be reached.
    void get(const QUrl& url, const QByteArray& accept = {}, const QString& cacheKey = {});
    // Keeps the server's answer to the last get() under its cache key.
    void keep(const QByteArray& body);
    void setProxy(const QNetworkProxy& proxy);
    const QString& service() const { return m_service; }

    virtual void begin() = 0;
    virtual void replied(const Reply& reply) = 0;
    // Whether body, kept earlier, still reads as an answer; a damaged one is as good as none.
    virtual bool isAnswer(const QByteArray& body) const = 0;

private:
    void dropReply();
    void finished(QNetworkReply* reply);
    // Hands reply to replied() from the event loop, unless the lookup has been dropped by then.
    void replyLater(const Reply& reply);
    std::optional<QByteArray> kept(bool freshOnly) const;

    QString m_service;
    QString m_server;
    LookupCache m_cache;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timeout;
    int m_defaultTimeoutMs;
    qint64 m_maxBytes;
    QString m_abortReason;
    quint64 m_lookup = 0;
    bool m_running = false;
    QString m_cacheKey;       // of the last get()
    bool m_replyKept = false; // the last reply came from the cache
};
