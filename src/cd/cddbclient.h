#pragma once

#include "cd/discinformation.h"
#include "cd/disclookup.h"
#include "cd/discrecord.h"
#include "cd/httpclient.h"
#include "values/cdtoc.h"

// A FreeDB lookup over the CDDB protocol on HTTP ("cddb query", then "cddb
// read"), with the local cache in front or alone as the chosen source says.
// Everything arrives later on this object's thread: statusChanged, and
// recordFound just before Loaded.
class CddbClient : public HttpClient {
    Q_OBJECT
public:
    // Replies larger than this are no CDDB reply; the lookup fails.
    static constexpr qint64 MaxReplyBytes = 1 << 20;
    static constexpr int DefaultTimeoutMs = 10000;

    explicit CddbClient(QObject* parent = nullptr);

    // Starts a lookup of toc with the settings information gives now. A lookup
    // still running is dropped and reports nothing more.
    void lookup(const CdToc& toc, const DiscInformation& information);

signals:
    void statusChanged(LookupStatus status);
    void recordFound(const CdToc& toc, const DiscRecord& record);

private:
    struct Request {
        CdToc toc;
        QString server;
        int port = 80;
        QString proxy;
        DiscInformation::Source source = DiscInformation::Source::ServerOnly;
        QString cachePath;
    };
    enum class Step { Query, Read };

    void begin() override;
    void replied(const Reply& reply) override;
    bool isAnswer(const QByteArray&) const override { return false; }
    void send(Step step, const QString& command);
    // Says how the lookup goes on; false when a receiver started another meanwhile.
    bool report(LookupStatus status);
    // The lookup's last word.
    void end(LookupStatus status);
    void load(const DiscRecord& record, bool fromServer);

    Request m_request;
    Step m_step = Step::Query;
};
