#pragma once

#include "checksums/trackcheck.h"
#include "components/discreader.h"

#include <memory>
#include <QByteArray>
#include <QObject>
#include <QString>

class SettingsFile;

enum class ReadMode { Burst = 0, Synch = 1, Secure = 2, Paranoid = 3 };
enum class ErrorAction { Stop = 0, Silence = 1, Cut = 2 };

// How a disc is read: burst reads the drive directly, synch checks overlaps
// against jitter, secure runs full paranoia and paranoid adds small blocks; a
// sector still unreadable after the retries stops the rip, becomes silence
// or is cut out.
struct ReadSettings {
    ReadMode mode = ReadMode::Synch;
    int retries = 1;
    ErrorAction errorAction = ErrorAction::Stop;

    // As section "Format" stores them (0..3, 1..32, 0..2); what lies outside
    // its range becomes the cautious default.
    static ReadSettings fromStored(int mode, int retries, int errorAction);
    // The stored settings of the settings file, read now.
    static ReadSettings from(const SettingsFile& settings);
    bool operator==(const ReadSettings& other) const {
        return mode == other.mode && retries == other.retries && errorAction == other.errorAction;
    }
};

// Where a rip's PCM goes, from the ripper's thread: 44100 Hz 16-bit stereo,
// little-endian, in the disc's order.
class RipSink {
public:
    virtual ~RipSink() = default;
    // Raises to end the rip when the sink takes no more.
    virtual void write(const QByteArray& pcm) = 0;
    // All of the range is written; raises when it cannot be completed.
    virtual void close() = 0;
};

// A range read on the caller's thread, in CD frames: what a preview plays
// and what the read offset is found with.
class TrackStream {
public:
    virtual ~TrackStream() = default;
    virtual int length() const = 0;
    // Up to frames frames from the position on; empty at the end. Frames cut
    // out for read errors count against frames.
    virtual QByteArray read(int frames) = 0;
    virtual void seek(int frame) = 0;
};

// Reads ranges of a disc a DiscReader read, as its drive reads them now:
// with the drive's read offset and the read settings given last. Failures of
// a call raise ComponentError; events arrive on the GUI thread.
class TrackRipper : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setReadSettings(const ReadSettings& settings) = 0;
    // The read offset in samples that reads of disc apply (0 for an image).
    virtual int readOffset(const Disc& disc) = 0;
    // Rips range of disc into sink on a thread of its own, summing its
    // checksums as the PCM passes: ripProgress as it goes, then ripFinished
    // once the sink is closed, or ripFailed. One rip at a time; a drive that
    // no longer holds the disc fails it.
    virtual void rip(const Disc& disc, RipRange range, std::shared_ptr<RipSink> sink) = 0;
    // Returns at once; the rip running touches its sink no more and reports nothing.
    virtual void abort() = 0;
    // Opens range of disc for reading on the caller's thread.
    virtual std::unique_ptr<TrackStream> open(const Disc& disc, RipRange range) = 0;

signals:
    void ripProgress(double percent); // below 100
    // The range's checksums and what reading it cost; all of it is in the sink.
    void ripFinished(const TrackCheck& check);
    // A rip that cannot finish (read error under "Stop", disc removed, sink
    // refused); nothing follows.
    void ripFailed(const QString& message);
    void ripRetried(int attempt, int sector);
};
