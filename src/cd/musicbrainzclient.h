#pragma once

#include "cd/httpclient.h"
#include "cd/musicbrainz.h"
#include "settings/settingkey.h"

#include <functional>
#include <QTimer>

// Section "MusicBrainz": the servers asked, so that tests and mirrors use their own.
namespace MusicBrainzKeys {
inline constexpr TextKey Server{"MusicBrainz", "server", "https://musicbrainz.org"};
inline constexpr TextKey CoverArt{"MusicBrainz", "coverart", "https://coverartarchive.org"};
} // namespace MusicBrainzKeys

// Looks a disc up at MusicBrainz: by its disc ID, and when that finds nothing,
// by its table of contents (the fuzzy lookup). At most one request a second,
// as MusicBrainz asks; a "503" is waited out once as its Retry-After says.
// Releases found are kept in the server's cache, one file per disc ID.
class MusicBrainzClient : public HttpClient {
    Q_OBJECT
public:
    static constexpr int MinSpacingMs = 1000;
    // A server asking for a longer wait than this is taken as not answering.
    static constexpr int MaxRetryAfterSeconds = 30;

    static constexpr int DefaultTimeoutMs = 15000;
    static constexpr qint64 MaxReplyBytes = 8 << 20;

    // cacheRoot: where caches live (LookupCache::defaultRoot()), none when empty.
    MusicBrainzClient(QString server, const QString& cacheRoot, QObject* parent = nullptr);

    // Milliseconds on a steady clock; tests hand in their own.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }
    // Asynchronous: finished comes later, once. A lookup still running is dropped.
    void lookup(const MbDiscId& id, int trackCount);

    // How long the next request must wait: a second after the last one, and
    // not before a time the server named.
    static qint64 delayBeforeRequest(qint64 lastRequestMs, qint64 nowMs, qint64 notBeforeMs);
    // The server of section "MusicBrainz", without trailing slashes.
    static QString serverFrom(const QString& settingsPath);

signals:
    // releases: the disc's releases, none when MusicBrainz does not know it;
    // error: why the lookup failed, empty when it did not.
    void finished(const QVector<MbRelease>& releases, const QString& error);

private:
    enum class Step { DiscId, Toc };
    void begin() override;
    void replied(const Reply& reply) override;
    bool isAnswer(const QByteArray& body) const override;
    void schedule();
    void send();
    void finish(const QVector<MbRelease>& releases, const QString& error);

    QTimer m_wait;
    std::function<qint64()> m_now;
    qint64 m_lastRequest = -1;
    qint64 m_notBefore = 0;
    MbDiscId m_id;
    int m_trackCount = 0;
    Step m_step = Step::DiscId;
    bool m_retried = false;
};
