#pragma once

#include "checksums/trackcheck.h"
#include "values/tagextras.h"

#include <memory>
#include <QByteArray>
#include <QObject>
#include <QString>

class AudioWriter;
class DiscInfoLookup;

// The CD drive and disc reader. Drives count from 1, tracks from 0.
// Raw reads and track lengths count CD frames (2352 bytes, 1/75 s of
// 44100 Hz 16-bit stereo PCM), so that a preview's position and the length agree.
// Failures raise ComponentError. Events arrive on the GUI thread.
class CdGrabber : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~CdGrabber() override = default;

    virtual void initialize() = 0;
    virtual void shutdown() = 0;

    virtual int getDriveCount() = 0;
    virtual void setCurrentDrive(int drive) = 0; // 1-based
    virtual QString getDriveVendor() = 0;
    virtual QString getDriveProduct() = 0;
    virtual QString getDriveRevision() = 0;
    virtual QString getDriveId() = 0;

    virtual void readDisc() = 0;
    // Why the last readDisc found no disc in a drive that has one (a disc
    // image Orvelle refuses); empty otherwise.
    virtual QString getDiscError() { return {}; }
    virtual int getTrackCount() = 0;
    virtual void selectTrack(int track) = 0; // 0-based, or HiddenTrack
    // The audio before track 1's INDEX 01 as a track of its own, which
    // selectTrack takes when hasHiddenTrack(): the disc holds at least a
    // second of it, and it is not digital silence.
    static constexpr int HiddenTrack = -2;
    virtual bool hasHiddenTrack() { return false; }
    // A rip's row that stands for the whole disc as one file; never selected.
    static constexpr int WholeDisc = -3;
    virtual int getTrackLength() = 0; // CD frames
    virtual int getTrackMinutes() = 0;
    virtual int getTrackSeconds() = 0;
    virtual int getTrackFrames() = 0;
    virtual QString getTrackArtist() = 0;
    virtual QString getTrackAlbum() = 0;
    virtual QString getTrackTitle() = 0;
    // The year of the disc's release, when a database named one.
    virtual QString getTrackYear() { return {}; }
    // The release's barcode and the disc's genre, when a database named them.
    virtual QString getDiscBarcode() { return {}; }
    virtual QString getDiscGenre() { return {}; }
    // The release's front cover, once it has come (onDiscCover), and why
    // there is none when fetching it failed.
    virtual CoverArt getDiscCover() { return {}; }
    virtual QString getDiscCoverNote() { return {}; }
    // A cover has been asked for and has not come yet: onDiscCover follows.
    virtual bool isDiscCoverPending() { return false; }

    virtual void setReadMode(int mode) = 0;      // 0 burst, 1 synch, 2 secure, 3 paranoid
    virtual void setErrorAction(int action) = 0; // 0 stop, 1 silence, 2 cut
    virtual void setRetryCount(int retries) = 0;

    // Rips the selected track into a file that writer creates at path, in
    // the writer's format (its input set to 44100 Hz stereo). Runs in the
    // background; onOperationProgress reports it, 100 exactly once when the
    // file is complete and closed. After abortGrab the writer is left alone
    // and open: closing it is the caller's.
    virtual void grabToFile(const QString& path, std::shared_ptr<AudioWriter> writer) = 0;
    virtual void abortGrab() = 0;
    // The checksums and reading counts of the last rip that reached its 100.
    virtual TrackCheck getTrackCheck() { return {}; }
    // The table of contents of the disc read last, data tracks included.
    virtual DiscLayout getDiscLayout() { return {}; }
    // The current drive's read offset in samples (0 for an image), which
    // rips apply; the log names it.
    virtual int getReadOffset() { return 0; }
    // The key of section "AccurateRip" that keeps the current drive's read
    // offset; empty for a disc image or without a drive, which have none.
    virtual QString getReadOffsetKey() { return {}; }

    virtual void startReading() = 0;
    virtual void stopReading() = 0;
    virtual void beginRawRead() = 0;
    virtual QByteArray readRawAudio(int frames) = 0; // empty at the end of the track
    virtual void seekRawRead(int frame) = 0;
    virtual void endRawRead() = 0;

    // Starts a lookup; its outcome arrives only through onFreeDBQueryStatus.
    virtual void queryFreeDB(DiscInfoLookup* information, int flag) = 0;
    // After onReleaseChoice: the release whose names the disc takes, from 0;
    // -1 for none.
    virtual void chooseRelease(int) {}

signals:
    void onMediaChange();
    void onOperationProgress(double progress);
    // A rip that cannot finish (read error under "Stop", disc removed, output
    // refused): the file is closed and no 100 follows.
    void onGrabError(const QString& message);
    void onGrabRetry(int retry, int sector);
    // 1 connecting, 2 querying, 3 loaded, -1 connection failed, -2 no entry
    void onFreeDBQueryStatus(int status);
    // The database knows several releases of the disc: the user picks one.
    void onReleaseChoice(const QStringList& releases);
    // The disc's cover has come, or it is known that none will.
    void onDiscCover();
};
