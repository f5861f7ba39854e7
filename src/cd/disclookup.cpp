#include "cd/disclookup.h"

namespace {

// The FreeDB settings as they were when the lookup started.
class FreeDbSnapshot : public DiscInfoLookup {
public:
    explicit FreeDbSnapshot(const DiscInfoLookup& from)
        : m_server(from.server()), m_port(from.port()), m_timeout(from.timeoutMs()),
          m_proxy(from.proxy()), m_source(from.lookupSource()), m_cache(from.cachePath()) {}
    QString server() const override { return m_server; }
    int port() const override { return m_port; }
    int timeoutMs() const override { return m_timeout; }
    QString proxy() const override { return m_proxy; }
    Source lookupSource() const override { return m_source; }
    QString cachePath() const override { return m_cache; }

private:
    QString m_server;
    int m_port;
    int m_timeout;
    QString m_proxy;
    Source m_source;
    QString m_cache;
};

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

void DiscLookup::lookup(const DiscLayout& layout, const DiscInfoLookup& information) {
    cancel();
    m_layout = layout;
    m_toc = layout.toc();
    m_freedb = std::make_shared<FreeDbSnapshot>(information);
    m_databases = information.lookupDatabases();
    m_coverServer = information.coverArtServer();
    m_cacheRoot = information.cacheRoot();
    if (m_databases == DiscInfoLookup::Databases::FreeDb) {
        askFreeDb();
        return;
    }
    // One client a server, so that its spacing of requests holds across lookups.
    const QString server = information.musicBrainzServer();
    if (!m_musicBrainz || server != m_musicBrainzServer) {
        delete m_musicBrainz;
        m_musicBrainz = new MusicBrainzClient(server, m_cacheRoot, this);
        m_musicBrainz->setTimeout(information.timeoutMs());
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
        if (m_databases == DiscInfoLookup::Databases::MusicBrainzThenFreeDb)
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
        m_covers = new CoverArtClient(m_coverServer, m_cacheRoot, this);
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
    record.barcode = release.barcode;
    for (int i = 0; i < release.trackTitles.size(); ++i) {
        record.titles << release.trackTitles[i];
        // Only a track's own credit: the others fall back to the release's artist.
        const QString artist = release.trackArtists.value(i);
        record.trackArtists << (artist == release.artist ? QString() : artist);
    }
    return record;
}
