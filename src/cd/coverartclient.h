#pragma once

#include "cd/httpclient.h"
#include "values/tagextras.h"

// Fetches a release's front cover from the Cover Art Archive:
// GET {server}/release/{mbid}/front-500, following the archive's redirect to
// where the picture is kept. Covers found are kept in the server's cache, one
// file per release; nothing is kept of a failure or of a release without a
// cover, so a later fetch asks again.
class CoverArtClient : public HttpClient {
    Q_OBJECT
public:
    // A cover over 2 MB is not embedded; a reply a little larger still gets
    // its own reason, a far larger one is cut off.
    static constexpr qint64 MaxReplyBytes = 2 * 1024 * 1024 + 64 * 1024;
    static constexpr int DefaultTimeoutMs = 15000;

    // server: key "coverart" of section "MusicBrainz" (serverFrom); cacheRoot:
    // where caches live (LookupCache::defaultRoot()), none when empty.
    CoverArtClient(QString server, const QString& cacheRoot, QObject* parent = nullptr);

    // Asynchronous: finished comes later, once, even from the cache. A fetch
    // still running is dropped and reports nothing.
    void fetch(const QString& releaseId);

    // The Cover Art Archive of section "MusicBrainz" of the settings file,
    // without trailing slashes.
    static QString serverFrom(const QString& settingsPath);
    // A MusicBrainz release ID: 36 characters of hex digits and dashes in
    // the 8-4-4-4-12 form. Nothing else goes into an address or a file name.
    static bool isReleaseId(const QString& text);

signals:
    // cover: the release's front cover, checked (CoverCheck); empty when
    // there is none. error: why no cover came, for the rip log; empty when
    // the archive has no cover for the release (HTTP 404), which is no fault.
    void finished(const QString& releaseId, const CoverArt& cover, const QString& error);

private:
    void begin() override;
    void replied(const Reply& reply) override;
    bool isAnswer(const QByteArray& body) const override;
    void finish(const CoverArt& cover, const QString& error);

    QString m_releaseId;
};
