#pragma once

#include "checksums/accuraterip.h"
#include "components/discreader.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QObject>
#include <QVector>
#include <thread>
#include <vector>

class AccurateRipClient;
class TrackRipper;
class TrackStream;

// What the CD reading page knows of the current drive's read offset.
struct DriveOffsetAccess {
    // The key of section "AccurateRip" that keeps the drive's offset; empty
    // for a disc image or no drive.
    std::function<QString()> key;
    // "VENDOR PRODUCT" of the current drive.
    std::function<QString()> driveName;
    using Found = std::function<void(std::optional<int> offset, const QString& text)>;
    // How far the search has come, in per cent, and what it does now.
    using Progress = std::function<void(int percent, const QString& text)>;
    using Cancel = std::function<void()>;
    // Finds the offset with the disc in the drive without blocking: progress
    // as it goes, then found once, unless the search is cancelled first.
    std::function<Cancel(Found found, Progress progress)> find;
};

// Finds a drive's read offset with a disc the AccurateRip database knows:
// reads the frames around frame 450 of some tracks as the drive reads them
// now, and tries every offset in -3000..+3000 samples against the frame-450
// checksums of the database. The database is asked without blocking; the
// reading and the trying run on a thread of their own, since a drive can be
// slow to spin up and a large reply makes the trying slow.
class OffsetFinder : public QObject {
    Q_OBJECT
public:
    // Tracks read at most: enough for the answer to be sure.
    static constexpr int MaxTracks = 4;

    // The ripper must outlive the finder; disc is the disc in its drive.
    OffsetFinder(TrackRipper& ripper, Disc disc, QString server, const QString& cacheRoot,
                 QObject* parent = nullptr);
    // Stops the search and waits for its thread.
    ~OffsetFinder() override;

    void setTimeout(int ms);
    // Opens the tracks and asks the database; progress, then finished, come later.
    void start();
    // Ends the search at its next step; nothing more is reported.
    void cancel();

    // The offset most tracks agree on, given what each track matched
    // (offsets of the drive as it reads now, plus the offset it reads with).
    // None when no track matched, or two offsets tie.
    static std::optional<int> agreedOffset(const QVector<QVector<int>>& perTrack);

signals:
    // How far the search has come, in per cent, and what it does now.
    void progress(int percent, const QString& text);
    // offset: the drive's read offset in samples, when found; text: what the
    // user is told either way.
    void finished(std::optional<int> offset, const QString& text);

private:
    struct Track {
        int audioIndex = 0;
        std::unique_ptr<TrackStream> stream;
    };

    void lookupDone(const QVector<ArChunk>& chunks, bool notFound, const QString& error);
    // On the search's thread: the offsets each track matches, reported back.
    void match(const QVector<ArChunk>& chunks);
    void matched(const QVector<QVector<int>>& perTrack, const QString& failure);
    void report(std::optional<int> offset, const QString& text);

    TrackRipper& m_ripper;
    Disc m_disc;
    std::unique_ptr<AccurateRipClient> m_client;
    int m_readOffset = 0;
    std::vector<Track> m_tracks;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};
