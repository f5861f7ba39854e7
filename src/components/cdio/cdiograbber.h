#pragma once

#include "cd/disclookup.h"
#include "components/cdio/cddisc.h"
#include "components/cdio/mediawatcher.h"
#include "components/cdio/trackreader.h"
#include "components/iaudiocdgrabber2.h"

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
class CdioGrabber : public IAudioCDGrabber2 {
    Q_OBJECT
public:
    static constexpr int SampleRate = 44100;
    static constexpr int Channels = 2;

    // The drives come from the settings file at settingsPath (section "Drives").
    explicit CdioGrabber(QString settingsPath, QObject* parent = nullptr);
    ~CdioGrabber() override;

    void Initialize() override;
    void Shutdown() override;

    int GetDriveCount() override;
    void SetCurrentDrive(int drive) override;
    QString GetDriveVendor() override;
    QString GetDriveProduct() override;
    QString GetDriveRevision() override;
    QString GetDriveId() override;

    void ReadDisc() override;
    QString GetDiscError() override { return m_discError; }
    int GetTrackCount() override;
    void SelectTrack(int track) override;
    int GetTrackLength() override;
    int GetTrackMinutes() override;
    int GetTrackSeconds() override;
    int GetTrackFrames() override;
    QString GetTrackArtist() override;
    QString GetTrackAlbum() override;
    QString GetTrackTitle() override;
    QString GetTrackYear() override;
    CoverArt GetDiscCover() override;
    QString GetDiscCoverNote() override;
    bool IsDiscCoverPending() override { return m_lookup.coverPending(); }

    void SetReadMode(int mode) override;
    void SetErrorAction(int action) override;
    void SetRetryCount(int retries) override;

    void GrabToFile(const QString& path, std::shared_ptr<IAudioFile2> writer) override;
    void AbortGrab() override;
    TrackCheck GetTrackCheck() override { return m_lastCheck; }
    DiscLayout GetDiscLayout() override;
    int GetReadOffset() override;
    QString GetReadOffsetKey() override;

    void StartReading() override;
    void StopReading() override;
    void BeginRawRead() override;
    QByteArray ReadRawAudio(int frames) override;
    void SeekRawRead(int frame) override;
    void EndRawRead() override;

    // The flag carries no meaning here: both values look up the same way.
    void QueryFreeDB(IFreeDBInformation2* information, int flag) override;
    void ChooseRelease(int index) override { m_lookup.chooseRelease(index); }

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
