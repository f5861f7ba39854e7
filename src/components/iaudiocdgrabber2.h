#pragma once

#include "cd/trackcheck.h"
#include "tags/tagextras.h"

#include <memory>
#include <QByteArray>
#include <QObject>
#include <QString>

class IAudioFile2;
class IFreeDBInformation2;

// The CD drive and disc reader. Drives count from 1, tracks from 0.
// Raw reads and track lengths count CD frames (2352 bytes, 1/75 s of
// 44100 Hz 16-bit stereo PCM), so that a preview's position and the length agree.
// Failures raise ComponentError. Events arrive on the GUI thread.
class IAudioCDGrabber2 : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~IAudioCDGrabber2() override = default;

    virtual void Initialize() = 0;
    virtual void Shutdown() = 0;

    virtual int GetDriveCount() = 0;
    virtual void SetCurrentDrive(int drive) = 0; // 1-based
    virtual QString GetDriveVendor() = 0;
    virtual QString GetDriveProduct() = 0;
    virtual QString GetDriveRevision() = 0;
    virtual QString GetDriveId() = 0;

    virtual void ReadDisc() = 0;
    // Why the last ReadDisc found no disc in a drive that has one (a disc
    // image Orvelle refuses); empty otherwise.
    virtual QString GetDiscError() { return {}; }
    virtual int GetTrackCount() = 0;
    virtual void SelectTrack(int track) = 0; // 0-based
    virtual int GetTrackLength() = 0;        // CD frames
    virtual int GetTrackMinutes() = 0;
    virtual int GetTrackSeconds() = 0;
    virtual int GetTrackFrames() = 0;
    virtual QString GetTrackArtist() = 0;
    virtual QString GetTrackAlbum() = 0;
    virtual QString GetTrackTitle() = 0;
    // The year of the disc's release, when a database named one.
    virtual QString GetTrackYear() { return {}; }
    // The release's front cover, once it has come (OnDiscCover), and why
    // there is none when fetching it failed.
    virtual CoverArt GetDiscCover() { return {}; }
    virtual QString GetDiscCoverNote() { return {}; }
    // A cover has been asked for and has not come yet: OnDiscCover follows.
    virtual bool IsDiscCoverPending() { return false; }

    virtual void SetReadMode(int mode) = 0;      // 0 burst, 1 synch, 2 secure, 3 paranoid
    virtual void SetErrorAction(int action) = 0; // 0 stop, 1 silence, 2 cut
    virtual void SetRetryCount(int retries) = 0;

    // Rips the selected track into a file that writer creates at path, in
    // the writer's format (its input set to 44100 Hz stereo). Runs in the
    // background; OnOperationProgress reports it, 100 exactly once when the
    // file is complete and closed. After AbortGrab the writer is left alone
    // and open: closing it is the caller's.
    virtual void GrabToFile(const QString& path, std::shared_ptr<IAudioFile2> writer) = 0;
    virtual void AbortGrab() = 0;
    // The checksums and reading counts of the last rip that reached its 100.
    virtual TrackCheck GetTrackCheck() { return {}; }
    // The table of contents of the disc read last, data tracks included.
    virtual DiscLayout GetDiscLayout() { return {}; }
    // The current drive's read offset in samples (0 for an image), which
    // rips apply; the log names it.
    virtual int GetReadOffset() { return 0; }
    // The key of section "AccurateRip" that keeps the current drive's read
    // offset; empty for a disc image or without a drive, which have none.
    virtual QString GetReadOffsetKey() { return {}; }

    virtual void StartReading() = 0;
    virtual void StopReading() = 0;
    virtual void BeginRawRead() = 0;
    virtual QByteArray ReadRawAudio(int frames) = 0; // empty at the end of the track
    virtual void SeekRawRead(int frame) = 0;
    virtual void EndRawRead() = 0;

    // Starts a lookup; its outcome arrives only through OnFreeDBQueryStatus.
    virtual void QueryFreeDB(IFreeDBInformation2* information, int flag) = 0;
    // After OnReleaseChoice: the release whose names the disc takes, from 0;
    // -1 for none.
    virtual void ChooseRelease(int) {}

signals:
    void OnMediaChange();
    void OnOperationProgress(double progress);
    // A rip that cannot finish (read error under "Stop", disc removed, output
    // refused): the file is closed and no 100 follows.
    void OnGrabError(const QString& message);
    void OnGrabRetry(int retry, int sector);
    // 1 connecting, 2 querying, 3 loaded, -1 connection failed, -2 no entry
    void OnFreeDBQueryStatus(int status);
    // The database knows several releases of the disc: the user picks one.
    void OnReleaseChoice(const QStringList& releases);
    // The disc's cover has come, or it is known that none will.
    void OnDiscCover();
};
