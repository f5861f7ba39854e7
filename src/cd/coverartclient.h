#pragma once

#include "cd/httpfetch.h"
#include "values/tagextras.h"

#include <QObject>

// Fetches a release's front cover from the Cover Art Archive:
// GET {server}/release/{mbid}/front-500, following the archive's redirect to
// where the picture is kept. Covers found are kept in cacheFolder, one file
// per release, and answer later fetches without the network; nothing is kept
// of a failure or of a release without a cover, so a later fetch asks again.
class CoverArtClient : public QObject {
    Q_OBJECT
public:
    // A cover over 2 MB is not embedded; a reply a little larger still gets
    // its own reason, a far larger one is cut off.
    static constexpr qint64 MaxReplyBytes = 2 * 1024 * 1024 + 64 * 1024;

    // server: key "coverart" of section "MusicBrainz" (serverFrom);
    // cacheFolder: where covers are kept, none when empty.
    CoverArtClient(QString server, QString cacheFolder, QObject* parent = nullptr);
    ~CoverArtClient() override;

    // The longest a fetch may take, from asking to the last byte (15 s when 0).
    void setTimeout(int ms) { m_fetch.setTimeout(ms); }
    // Asynchronous: finished comes later, once, even from the cache. A fetch
    // still running is dropped and reports nothing.
    void fetch(const QString& releaseId);
    void cancel();

    // The Cover Art Archive of section "MusicBrainz" of the settings file,
    // without trailing slashes.
    static QString serverFrom(const QString& settingsPath);
    // Where covers are kept: "CoverArt" beside the settings file, as
    // MusicBrainz answers are kept in "MusicBrainz".
    static QString cacheFolderFrom(const QString& settingsPath);
    // A MusicBrainz release ID: 36 characters of hex digits and dashes in
    // the 8-4-4-4-12 form. Nothing else goes into an address or a file name.
    static bool isReleaseId(const QString& text);

signals:
    // cover: the release's front cover, checked (CoverCheck); empty when
    // there is none. error: why no cover came, for the rip log; empty when
    // the archive has no cover for the release (HTTP 404), which is no fault.
    void finished(const QString& releaseId, const CoverArt& cover, const QString& error);

private:
    void begin(quint64 fetchNumber);
    void answered(const HttpFetch::Result& result);
    void finish(quint64 fetchNumber, const CoverArt& cover, const QString& error);
    QString cachePath() const;

    QString m_server;
    QString m_cacheFolder;
    HttpFetch m_fetch{QStringLiteral("Cover Art Archive")};
    QString m_releaseId;
    quint64 m_current = 0;
};
