#pragma once

#include "cd/disclookup.h"
#include "cd/discrecord.h"
#include "components/discreader.h"
#include "values/rowtag.h"
#include "values/tagextras.h"

#include <optional>
#include <QObject>
#include <QStringList>
#include <QVector>

class DiscInformation;
class DriveLayer;
class SettingsFile;
class TrackRipper;

// Hands the CD reading settings to the ripper, as stored. Used at start-up
// and after the settings dialog's Ok.
void applyCdReadingOptions(const SettingsFile& settings, TrackRipper& ripper);

// A track of the disc as the track table lists it.
struct DiscTrackRow {
    int track = 0; // from 0, or Disc::HiddenTrack
    RowTag tag;
    QString caption;
    QString time; // "mm:ss:ff"
    // What the row's tooltip says until a job gives it a status of its own.
    QString statusDetail;
};

// The disc read last with what a rip of it names: its drive, the names each
// track takes, and what a lookup found of it (its cover among them).
struct NamedDisc {
    Disc disc;
    DriveInfo drive;
    QVector<RowTag> tags; // by track, from 0
    DiscRecord found;     // empty when no database knew the disc
};

// The CD side of the window without the window: the drive list, the
// audio-disc test, the track rows of the disc in the current drive, and the
// lookup of its names with its status texts.
class DriveSession : public QObject {
    Q_OBJECT
public:
    DriveSession(DiscReader& reader, TrackRipper& ripper, DiscLookup& lookup, DriveLayer& drives,
                 DiscInformation& information, QObject* parent = nullptr);

    // Starts the reader; the number of drives it found.
    int initialize();
    // Lists the drives as "[id]  vendor  product  revision"; the first becomes the current one.
    QStringList listDrives();
    const QStringList& driveNames() const { return m_driveNames; }
    void chooseDrive(int index); // 0-based, as listed
    // The reading options, and whether a hidden track gets a row.
    void applyReadingOptions(const SettingsFile& settings);
    DiscReader& reader() { return m_reader; }
    TrackRipper& ripper() { return m_ripper; }
    DiscLookup& lookup() { return m_lookup; }

    // True when any drive is known to the system (real or disc image).
    bool anyDrive();
    // True when some drive holds an audio CD or no readable volume at all.
    bool isAudioCdPresent();
    bool isAudioCdVolume(const QString& drive);

    // Reads the disc in the current drive: one row per track; first a row
    // "Hidden Track" for audio before track 1, unless the settings skip it.
    QVector<DiscTrackRow> readTrackRows();
    void setHiddenTrack(bool rip) { m_hiddenTrack = rip; }
    // The disc readTrackRows read last.
    const Disc& disc() const { return m_disc; }
    // That disc with its drive, its names and its cover, for a rip.
    NamedDisc namedDisc();
    static NamedDisc name(Disc disc, DriveInfo drive, const std::optional<DiscRecord>& record);
    // Its cover, once a lookup has found one.
    CoverArt cover() const;
    static QString twoDigits(int n);
    // The names a track takes: a database's first, then CD-TEXT; a field
    // either leaves empty falls through to a placeholder.
    static RowTag trackTag(const Disc& disc, const std::optional<DiscRecord>& record, int track);

    // Looks the disc up (reading it first when none was read).
    void startLookup();
    // After releaseChoiceNeeded: the release chosen, from 0; -1 for none.
    void chooseRelease(int index);
    // Clears the status lines and asks for the status window.
    void openStatusWindow();
    const QStringList& statusLines() const { return m_statusLines; }
    // The lines a lookup status adds, naming the database that answered.
    static QStringList statusTexts(LookupStatus status,
                                   LookupService service = LookupService::FreeDb, int releases = 0);

signals:
    void mediaChanged();
    void statusWindowOpened();
    void statusLineAdded(const QString& line);
    // The lookup found the disc: the track rows have new names.
    void lookupLoaded();
    // The database knows several releases of the disc; chooseRelease takes the answer.
    void releaseChoiceNeeded(const QStringList& releases);
    // The disc's cover has come, or it is known that none will.
    void coverChanged();

private:
    void onLookupStatus(LookupStatus status, LookupService service, int releases);

    DiscReader& m_reader;
    TrackRipper& m_ripper;
    DiscLookup& m_lookup;
    DriveLayer& m_drives;
    DiscInformation& m_information;
    Disc m_disc;
    QStringList m_driveNames;
    QStringList m_statusLines;
    bool m_hiddenTrack = true;
};
