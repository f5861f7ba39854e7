#pragma once

#include "checksums/accuraterip.h"
#include "checksums/trackcheck.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QObject>
#include <QVector>
#include <thread>

class AccurateRipClient;
class CdGrabber;

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
// checksums of the database. The database is asked without blocking, and the
// offsets are tried on a thread of its own, since a large reply makes that slow.
class OffsetFinder : public QObject {
    Q_OBJECT
public:
    // Tracks read at most: enough for the answer to be sure.
    static constexpr int MaxTracks = 4;

    // The grabber must outlive the finder; its disc has been read.
    OffsetFinder(CdGrabber& grabber, QString server, const QString& cacheRoot,
                 QObject* parent = nullptr);
    // Stops the search and waits for its thread.
    ~OffsetFinder() override;

    void setTimeout(int ms);
    // Reads the tracks and asks the database; progress, then finished, come later.
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
    struct Read {
        int audioIndex = 0;
        QByteArray pcm; // frames from OffsetWindowFirstFrame on
    };

    void lookupDone(const QVector<ArChunk>& chunks, bool notFound, const QString& error);
    // On the search's thread: the offsets each track matches, reported back.
    void match(const QVector<ArChunk>& chunks);
    void matched(const QVector<QVector<int>>& perTrack);
    void report(std::optional<int> offset, const QString& text);

    CdGrabber& m_grabber;
    std::unique_ptr<AccurateRipClient> m_client;
    DiscLayout m_layout;
    int m_readOffset = 0;
    QVector<Read> m_reads;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};
