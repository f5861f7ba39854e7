#pragma once

#include "cd/disclookup.h"
#include "components/cdgrabber.h"
#include "components/cdio/cddisc.h"
#include "components/cdio/mediawatcher.h"
#include "components/cdio/trackreader.h"

#include <memory>
#include <optional>
#include <QHash>
#include <vector>

class DriveUse;
class GrabTask;

// The CD grabber on libcdio and libcdio-paranoia: optical drives and disc
// images, the table of contents with CD-TEXT, ripping into a writer per rip
// on a worker thread, raw reads for preview and RM, disc changes noticed by
// polling, and FreeDB lookups whose texts then take the place of CD-TEXT.
class CdioGrabber : public CdGrabber {
    Q_OBJECT
public:
    static constexpr int SampleRate = 44100;
    static constexpr int Channels = 2;

    // The drives come from the settings file at settingsPath (section "Drives").
    explicit CdioGrabber(QString settingsPath, QObject* parent = nullptr);
    ~CdioGrabber() override;

    void initialize() override;
    void shutdown() override;

    int getDriveCount() override;
    void setCurrentDrive(int drive) override;
    QString getDriveVendor() override;
    QString getDriveProduct() override;
    QString getDriveRevision() override;
    QString getDriveId() override;

    void readDisc() override;
    QString getDiscError() override { return m_discError; }
    int getTrackCount() override;
    void selectTrack(int track) override;
    bool hasHiddenTrack() override { return m_hiddenAudio; }
    int getTrackLength() override;
    int getTrackMinutes() override;
    int getTrackSeconds() override;
    int getTrackFrames() override;
    QString getTrackArtist() override;
    QString getTrackAlbum() override;
    QString getTrackTitle() override;
    QString getTrackYear() override;
    QString getDiscBarcode() override;
    QString getDiscGenre() override;
    CoverArt getDiscCover() override;
    QString getDiscCoverNote() override;
    bool isDiscCoverPending() override { return m_lookup.coverPending(); }

    void setReadMode(int mode) override;
    void setErrorAction(int action) override;
    void setRetryCount(int retries) override;

    void grabToFile(const QString& path, std::shared_ptr<AudioWriter> writer) override;
    void abortGrab() override;
    TrackCheck getTrackCheck() override { return m_lastCheck; }
    DiscLayout getDiscLayout() override;
    int getReadOffset() override;
    QString getReadOffsetKey() override;

    void startReading() override;
    void stopReading() override;
    void beginRawRead() override;
    QByteArray readRawAudio(int frames) override;
    void seekRawRead(int frame) override;
    void endRawRead() override;

    // The flag carries no meaning here: both values look up the same way.
    void queryFreeDB(DiscInfoLookup* information, int flag) override;
    void chooseRelease(int index) override { m_lookup.chooseRelease(index); }

    // How often the current drive is looked at for a disc change.
    void setMediaPollInterval(int ms);
    // The poller of the current drive, whose looks tests can wait for.
    MediaWatcher* mediaWatcher() { return &m_watcher; }
    // Makes sectors unreadable, as a scratched or removed disc would.
    void setFaultFilter(TrackReader::FaultFilter filter);
    // Why the last rip ended without its 100 per cent (empty after a complete one).
    QString lastGrabError() const { return m_lastGrabError; }
    // Reads as a drive with this read offset would, in place of the offset
    // the settings keep for the drive (images have none).
    void setReadOffset(std::optional<int> samples) { m_offsetOverride = samples; }
    // Rips without their checksums, to measure what the checksums cost.
    void setChecksums(bool on) { m_checksums = on; }

private:
    const CdDrive& currentDrive() const;
    const CdTrack& selectedTrack() const;
    const DriveIdentity& currentIdentity();
    ReadSettings readSettings();
    // The FreeDB record, when it belongs to the disc that was read last.
    const DiscRecord* record() const;
    void reapTasks();
    void taskProgress(quint64 task, double percent);
    void taskFinished(quint64 task, bool ok, const QString& error, const TrackCheck& check);
    // The first and the end frame of the disc's audio tracks.
    std::pair<int, int> audioRange() const;
    TrackReader& rawReader();

    QString m_settingsPath;

    QVector<CdDrive> m_drives;
    int m_drive = -1; // 0-based
    QHash<QString, DriveIdentity> m_identities;
    DiscContents m_disc;
    // The frames before track 1's INDEX 01 (none on most discs), which a rip
    // of the whole disc reads, and whether they make a track of their own.
    CdTrack m_hidden;
    bool m_hiddenAudio = false;
    QString m_discError;
    int m_track = -1;

    int m_mode = ReadSettings::Synch;
    int m_retries = 1;
    int m_errorAction = ReadSettings::Stop;
    TrackReader::FaultFilter m_faults;

    std::vector<std::pair<quint64, std::unique_ptr<GrabTask>>> m_tasks;
    quint64 m_activeTask = 0;
    quint64 m_lastTask = 0;
    QString m_lastGrabError;
    TrackCheck m_lastCheck;
    std::optional<int> m_offsetOverride;
    bool m_checksums = true;

    std::unique_ptr<DriveUse> m_rawUse; // keeps the media poller off the drive
    std::unique_ptr<CdDisc> m_rawDisc;
    std::unique_ptr<TrackReader> m_rawReader;
    CdTrack m_rawTrack;
    int m_rawPosition = 0;

    DiscLookup m_lookup;
    std::optional<std::pair<CdToc, DiscRecord>> m_record;
    MediaWatcher m_watcher;
};
