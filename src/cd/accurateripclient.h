#pragma once

#include "cd/httpclient.h"
#include "checksums/accuraterip.h"
#include "settings/settingkey.h"

// Section "AccurateRip": where rips are checked.
namespace AccurateRipKeys {
inline constexpr TextKey Server{"AccurateRip", "server", "http://www.accuraterip.com"};
} // namespace AccurateRipKeys

// Fetches a disc's entry from the AccurateRip database over HTTP. Entries
// found are kept in the server's cache; nothing is kept of a failure or of a
// disc the database does not know, so a later lookup asks again.
class AccurateRipClient : public HttpClient {
    Q_OBJECT
public:
    // A disc entry of 99 tracks is under 1 KB; a reply far larger is none.
    static constexpr qint64 MaxReplyBytes = 1 << 20;
    static constexpr int DefaultTimeoutMs = 15000;

    // server: e.g. "http://www.accuraterip.com" (no trailing path); cacheRoot:
    // where caches live (LookupCache::defaultRoot()), none when empty.
    AccurateRipClient(QString server, const QString& cacheRoot, QObject* parent = nullptr);

    // Asynchronous: finished comes later, once, even from the cache. A lookup
    // still running is dropped and reports nothing.
    void lookup(const AccurateRipId& id);

    // The server of section "AccurateRip" of the settings file, without
    // trailing slashes, "http://" put in front of a bare host name.
    static QString serverFrom(const QString& settingsPath);

signals:
    // found: chunks parsed; notFound: HTTP 404 (disc not in the database); otherwise error says why
    void finished(const AccurateRipId& id, const QVector<ArChunk>& chunks, bool notFound,
                  const QString& error);

private:
    void begin() override;
    void replied(const Reply& reply) override;
    bool isAnswer(const QByteArray& body) const override;
    void finish(const QVector<ArChunk>& chunks, bool notFound, const QString& error);

    AccurateRipId m_id;
};
