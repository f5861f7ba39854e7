#pragma once

#include "cd/cddbclient.h"
#include "cd/coverartclient.h"
#include "cd/discinformation.h"
#include "cd/disclookup.h"
#include "cd/musicbrainzclient.h"

#include <memory>

// The lookup on the disc databases: MusicBrainz, FreeDB, or MusicBrainz and
// then FreeDB when MusicBrainz has nothing; several MusicBrainz releases
// (pressings, countries) are offered for a choice, and the chosen release's
// front cover is fetched from the Cover Art Archive.
class DatabaseLookup : public DiscLookup {
    Q_OBJECT
public:
    explicit DatabaseLookup(QObject* parent = nullptr);

    void lookUpDisc(const DiscLayout& layout, const DiscInformation& information) override;
    void cancel() override;
    void chooseRelease(int index) override;
    std::optional<DiscRecord> found(const CdToc& toc) const override;
    bool isCoverPending() const override { return m_coverPending; }

    // "Title – Artist (1987, GB, Label, 12 tracks)": a release as the choice lists it.
    static QString describe(const MbRelease& release);
    // What the track rows take from a release.
    static DiscRecord recordOf(const MbRelease& release);

private:
    void musicBrainzDone(const QVector<MbRelease>& releases, const QString& error);
    void askFreeDb();
    void load(const MbRelease& release);
    void loaded(const CdToc& toc, const DiscRecord& record);

    CddbClient m_cddb;
    MusicBrainzClient* m_musicBrainz = nullptr;
    QString m_musicBrainzServer;
    CdToc m_toc;
    DiscLayout m_layout;
    // What the FreeDB lookup takes, copied: the caller's object may be gone by then.
    std::shared_ptr<DiscInformation> m_freedb;
    DiscInformation::Databases m_databases = DiscInformation::Databases::FreeDb;
    QVector<MbRelease> m_releases;
    QString m_coverServer;
    QString m_cacheRoot;
    CoverArtClient* m_covers = nullptr;
    QString m_coversFrom; // the server m_covers asks
    bool m_coverPending = false;
    // What the last lookup found, and for which disc.
    std::optional<std::pair<CdToc, DiscRecord>> m_found;
};
