#pragma once

#include "cd/discrecord.h"
#include "components/discinfolookup.h"
#include "values/cdtoc.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

// A FreeDB lookup over the CDDB protocol on HTTP ("cddb query", then "cddb
// read"), with the local cache in front or alone as the chosen source says.
// Everything arrives later on this object's thread: statusChanged with
// 1 connecting, 2 querying, 3 loaded, -1 connection failed, -2 no entry;
// recordFound just before 3.
class CddbClient : public QObject {
    Q_OBJECT
public:
    // Replies larger than this are no CDDB reply; the lookup fails.
    static constexpr qint64 MaxReplyBytes = 1 << 20;

    explicit CddbClient(QObject* parent = nullptr);
    ~CddbClient() override;

    // Starts a lookup of toc with the settings information gives now. A lookup
    // still running is dropped and reports nothing more.
    void lookup(const CdToc& toc, const DiscInfoLookup& information);
    void cancel();

signals:
    void statusChanged(int status);
    void recordFound(const CdToc& toc, const DiscRecord& record);

private:
    struct Request {
        CdToc toc;
        QString server;
        int port = 80;
        int timeoutMs = 10000;
        QString proxy;
        DiscInfoLookup::Source source = DiscInfoLookup::Source::ServerOnly;
        QString cachePath;
    };

    void begin(quint64 id);
    void send(quint64 id, const QString& command,
              void (CddbClient::*onReply)(quint64, const QByteArray&));
    void onQueryReply(quint64 id, const QByteArray& body);
    void onReadReply(quint64 id, const QByteArray& body);
    // Emits status; false when a newer lookup replaced this one meanwhile.
    bool report(quint64 id, int status);
    void load(quint64 id, const DiscRecord& record, bool fromServer);
    void dropReply();

    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timeout;
    Request m_request;
    quint64 m_current = 0;
};
