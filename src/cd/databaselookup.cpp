#include "cd/databaselookup.h"

namespace {

// The FreeDB settings as they were when the lookup started.
class FreeDbSnapshot : public DiscInformation {
public:
    explicit FreeDbSnapshot(const DiscInformation& from)
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

DatabaseLookup::DatabaseLookup(QObject* parent) : DiscLookup(parent) {
    m_cddb.setParent(this);
    connect(&m_cddb, &CddbClient::statusChanged, this, [this](LookupStatus status) {
        emit lookupStatusChanged(status, LookupService::FreeDb);
    });
    connect(&m_cddb, &CddbClient::recordFound, this, &DatabaseLookup::loaded);
}

void DatabaseLookup::loaded(const CdToc& toc, const DiscRecord& record) {
    m_found.emplace(toc, record);
}

std::optional<DiscRecord> DatabaseLookup::found(const CdToc& toc) const {
    if (!m_found || toc.isEmpty() || m_found->first != toc)
        return std::nullopt;
    return m_found->second;
}

void DatabaseLookup::cancel() {
    m_cddb.cancel();
    if (m_musicBrainz)
        m_musicBrainz->cancel();
    if (m_covers)
        m_covers->cancel();
    m_coverPending = false;
    m_releases.clear();
}

void DatabaseLookup::lookUpDisc(const DiscLayout& layout, const DiscInformation& information) {
    cancel();
    m_layout = layout;
    m_toc = layout.toc();
    m_freedb = std::make_shared<FreeDbSnapshot>(information);
    m_databases = information.lookupDatabases();
    m_coverServer = information.coverArtServer();
    m_cacheRoot = information.cacheRoot();
    if (m_databases == DiscInformation::Databases::FreeDb) {
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
        connect(m_musicBrainz, &MusicBrainzClient::finished, this,
                &DatabaseLookup::musicBrainzDone);
    }
    emit lookupStatusChanged(LookupStatus::Connecting, LookupService::MusicBrainz);
    m_musicBrainz->lookup(MbDiscId::fromLayout(layout), layout.audioCount());
}

void DatabaseLookup::askFreeDb() {
    m_cddb.lookup(m_toc, *m_freedb);
}

void DatabaseLookup::musicBrainzDone(const QVector<MbRelease>& releases, const QString& error) {
    if (releases.isEmpty()) {
        if (m_databases == DiscInformation::Databases::MusicBrainzThenFreeDb)
            askFreeDb();
        else
            emit lookupStatusChanged(error.isEmpty() ? LookupStatus::NoEntry
                                                     : LookupStatus::ConnectionFailed,
                                     LookupService::MusicBrainz);
        return;
    }
    emit lookupStatusChanged(LookupStatus::Querying, LookupService::MusicBrainz,
                             int(releases.size()));
    if (releases.size() == 1) {
        load(releases.front());
        return;
    }
    m_releases = releases;
    QStringList choices;
    for (const MbRelease& release : releases)
        choices << describe(release);
    emit releaseChoiceNeeded(choices);
}

void DatabaseLookup::chooseRelease(int index) {
    if (m_releases.isEmpty())
        return;
    const QVector<MbRelease> releases = std::exchange(m_releases, {});
    if (index < 0 || index >= releases.size()) {
        emit lookupStatusChanged(LookupStatus::NoEntry, LookupService::MusicBrainz);
        return;
    }
    load(releases[index]);
}

void DatabaseLookup::load(const MbRelease& release) {
    loaded(m_toc, recordOf(release));
    emit lookupStatusChanged(LookupStatus::Loaded, LookupService::MusicBrainz);
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
                    if (m_found && m_found->first == m_toc) {
                        m_found->second.cover = cover;
                        m_found->second.coverNote = error;
                    }
                    emit coverChanged();
                });
    }
    m_coverPending = true;
    m_covers->fetch(release.id);
}

QString DatabaseLookup::describe(const MbRelease& release) {
    QStringList details;
    for (const QString& detail : {release.year, release.country, release.label})
        if (!detail.isEmpty())
            details << detail;
    details << QStringLiteral("%1 tracks").arg(release.trackCount);
    return QStringLiteral("%1 \u2013 %2 (%3)")
        .arg(release.title, release.artist, details.join(QStringLiteral(", ")));
}

DiscRecord DatabaseLookup::recordOf(const MbRelease& release) {
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
