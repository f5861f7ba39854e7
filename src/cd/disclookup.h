#pragma once

#include "cd/cddbclient.h"
#include "cd/coverartclient.h"
#include "cd/musicbrainzclient.h"
#include "checksums/trackcheck.h"

#include <memory>
#include <QObject>
#include <QStringList>

// Looks a disc's names up in the databases the settings choose: MusicBrainz,
// FreeDB, or MusicBrainz and then FreeDB when MusicBrainz has nothing. Several
// MusicBrainz releases (pressings, countries) are offered for a choice.
// Reports as CddbClient does: statusChanged with 1 connecting, 2 querying,
// 3 loaded, -1 failed, -2 no entry; recordFound just before 3.
class DiscLookup : public QObject {
    Q_OBJECT
public:
    explicit DiscLookup(QObject* parent = nullptr);

    // A lookup still running is dropped.
    void lookup(const DiscLayout& layout, const DiscInfoLookup& information);
    void cancel();
    // After choiceNeeded: the release chosen, counted from 0; -1 for none.
    void chooseRelease(int index);
    // A release's cover has been asked for and coverFound has not come yet.
    bool coverPending() const { return m_coverPending; }

    // "Title – Artist (1987, GB, Label, 12 tracks)": a release as the choice lists it.
    static QString describe(const MbRelease& release);
    // What the track rows take from a release.
    static DiscRecord recordOf(const MbRelease& release);

signals:
    void statusChanged(int status);
    void recordFound(const CdToc& toc, const DiscRecord& record);
    // A release's front cover (checked), after its record; an empty cover
    // with note saying why when it could not be had, with no note when the
    // archive has none.
    void coverFound(const CdToc& toc, const CoverArt& cover, const QString& note);
    void choiceNeeded(const QStringList& releases);

private:
    void musicBrainzDone(const QVector<MbRelease>& releases, const QString& error);
    void askFreeDb();
    void load(const MbRelease& release);

    CddbClient m_cddb;
    MusicBrainzClient* m_musicBrainz = nullptr;
    QString m_musicBrainzServer;
    CdToc m_toc;
    DiscLayout m_layout;
    // What the FreeDB lookup takes, copied: the caller's object may be gone by then.
    std::shared_ptr<DiscInfoLookup> m_freedb;
    DiscInfoLookup::Databases m_databases = DiscInfoLookup::Databases::FreeDb;
    QVector<MbRelease> m_releases;
    QString m_coverServer;
    QString m_cacheRoot;
    CoverArtClient* m_covers = nullptr;
    QString m_coversFrom; // the server m_covers asks
    bool m_coverPending = false;
};
