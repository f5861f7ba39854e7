#include "cd/disclookup.h"

namespace {

// The FreeDB settings as they were when the lookup started.
class FreeDbSnapshot : public IFreeDBInformation2 {
public:
    explicit FreeDbSnapshot(const IFreeDBInformation2& from)
        : m_server(from.Server()), m_port(from.Port()), m_timeout(from.TimeoutMs()),
          m_proxy(from.Proxy()), m_source(from.LookupSource()), m_cache(from.CachePath()) {}
    QString Server() const override { return m_server; }
    int Port() const override { return m_port; }
    int TimeoutMs() const override { return m_timeout; }
    QString Proxy() const override { return m_proxy; }
    Source LookupSource() const override { return m_source; }
    QString CachePath() const override { return m_cache; }

private:
    QString m_server;
    int m_port;
    int m_timeout;
    QString m_proxy;
    Source m_source;
    QString m_cache;
};

CdToc tocOf(const DiscLayout& layout) {
    QVector<int> starts;
    for (const ArTocTrack& track : layout.tracks)
        starts << track.start;
    return CdToc(starts, layout.leadout);
}

} // namespace

DiscLookup::DiscLookup(QObject* parent) : QObject(parent) {
    m_cddb.setParent(this);
    connect(&m_cddb, &CddbClient::statusChanged, this, &DiscLookup::statusChanged);
    connect(&m_cddb, &CddbClient::recordFound, this, &DiscLookup::recordFound);
}

void DiscLookup::cancel() {
    m_cddb.cancel();
    if (m_musicBrainz)
        m_musicBrainz->cancel();
    if (m_covers)
        m_covers->cancel();
    m_coverPending = false;
    m_releases.clear();
}

void DiscLookup::lookup(const DiscLayout& layout, const IFreeDBInformation2& information) {
    cancel();
    m_layout = layout;
    m_toc = tocOf(layout);
    m_freedb = std::make_shared<FreeDbSnapshot>(information);
    m_databases = information.LookupDatabases();
    m_coverServer = information.CoverArtServer();
    m_coverCache = information.CoverArtCache();
    if (m_databases == IFreeDBInformation2::Databases::FreeDb) {
        askFreeDb();
        return;
    }
    // One client a server, so that its spacing of requests holds across lookups.
    const QString server = information.MusicBrainzServer();
    if (!m_musicBrainz || server != m_musicBrainzServer) {
        delete m_musicBrainz;
        m_musicBrainz = new MusicBrainzClient(server, information.MusicBrainzCache(), this);
        m_musicBrainz->setTimeout(information.TimeoutMs());
        m_musicBrainzServer = server;
        connect(m_musicBrainz, &MusicBrainzClient::finished, this, &DiscLookup::musicBrainzDone);
    }
    emit statusChanged(1);
    m_musicBrainz->lookup(MbDiscId::fromLayout(layout), layout.audioCount());
}

void DiscLookup::askFreeDb() {
    m_cddb.lookup(m_toc, *m_freedb);
}

void DiscLookup::musicBrainzDone(const QVector<MbRelease>& releases, const QString& error) {
    if (releases.isEmpty()) {
        if (m_databases == IFreeDBInformation2::Databases::MusicBrainzThenFreeDb)
            askFreeDb();
        else
            emit statusChanged(error.isEmpty() ? -2 : -1);
        return;
    }
    emit statusChanged(2);
    if (releases.size() == 1) {
        load(releases.front());
        return;
    }
    m_releases = releases;
    QStringList choices;
    for (const MbRelease& release : releases)
        choices << describe(release);
    emit choiceNeeded(choices);
}

void DiscLookup::chooseRelease(int index) {
    if (m_releases.isEmpty())
        return;
    const QVector<MbRelease> releases = std::exchange(m_releases, {});
    if (index < 0 || index >= releases.size()) {
        emit statusChanged(-2);
        return;
    }
    load(releases[index]);
}

void DiscLookup::load(const MbRelease& release) {
    emit recordFound(m_toc, recordOf(release));
    emit statusChanged(3);
    if (m_coverServer.isEmpty() || !CoverArtClient::isReleaseId(release.id))
        return;
    // One client a server, as for MusicBrainz; the cover comes when it comes.
    if (!m_covers || m_coversFrom != m_coverServer) {
        delete m_covers;
        m_covers = new CoverArtClient(m_coverServer, m_coverCache, this);
        m_coversFrom = m_coverServer;
        connect(m_covers, &CoverArtClient::finished, this,
                [this](const QString&, const CoverArt& cover, const QString& error) {
                    m_coverPending = false;
                    emit coverFound(m_toc, cover, error);
                });
    }
    m_coverPending = true;
    m_covers->fetch(release.id);
}

QString DiscLookup::describe(const MbRelease& release) {
    QStringList details;
    for (const QString& detail : {release.year, release.country, release.label})
        if (!detail.isEmpty())
            details << detail;
    details << QStringLiteral("%1 tracks").arg(release.trackCount);
    return QStringLiteral("%1 \u2013 %2 (%3)")
        .arg(release.title, release.artist, details.join(QStringLiteral(", ")));
}

DiscRecord DiscLookup::recordOf(const MbRelease& release) {
    DiscRecord record;
    record.artist = release.artist;
    record.album = release.title;
    record.year = release.year;
    for (int i = 0; i < release.trackTitles.size(); ++i) {
        record.titles << release.trackTitles[i];
        // Only a track's own credit: the others fall back to the release's artist.
        const QString artist = release.trackArtists.value(i);
        record.trackArtists << (artist == release.artist ? QString() : artist);
    }
    return record;
}
