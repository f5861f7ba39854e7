#pragma once

#include "components/cdio/cddisc.h"
#include "components/trackripper.h"
#include "settings/driveoffsetkeys.h"
#include "values/cdtoc.h"

#include <atomic>
#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>

// How a range is read: the user's read settings and the drive's read offset.
struct ReadPlan {
    static constexpr int MaxOffset = DriveOffsetKeys::MaxOffset;

    ReadSettings settings;
    // The drive's read offset in samples, within MaxOffset either way: the
    // range is read this far later on the disc, with silence beyond the disc's audio.
    int offset = 0;
};

// What a rip met on the way, for the rip log.
struct ReadStats {
    int reread = 0;    // sectors read again after the drive refused them
    int corrected = 0; // jitter and dropped or doubled bytes paranoia set right
    int silenced = 0;  // sectors lost and replaced by silence
    int skipped = 0;   // sectors lost and left out
};

// Reads the frames of one audio track in the chosen mode: burst reads the
// drive directly, synch checks overlaps against jitter, secure runs full
// paranoia and paranoid adds small blocks. A frame that stays unreadable after
// the retries is handled by the error action. Lives on one thread.
class TrackReader {
public:
    // Lets tests make sectors fail as on a scratched or removed disc.
    using FaultFilter = std::function<bool(int lsn)>;
    using RetryReport = std::function<void(int attempt, int lsn)>;

    enum class Step { Frame, Skipped, End, Failed };

    // disc must outlive the reader. expected is the table of contents the
    // caller believes in; it tells a removed disc from a scratched one.
    // audio: the first and the end frame of the disc's audio, which a read
    // offset must not read beyond; by default the whole disc.
    TrackReader(const CdDisc& disc, const CdTrack& track, const CdToc& expected,
                const ReadPlan& plan, std::pair<int, int> audio = {0, -1});
    ~TrackReader();
    TrackReader(const TrackReader&) = delete;
    TrackReader& operator=(const TrackReader&) = delete;

    void setCancelFlag(const std::atomic<bool>* cancel);
    void setFaultFilter(FaultFilter filter);
    void setRetryReport(RetryReport report);

    int length() const;
    int position() const;
    void seek(int frame);

    // Reads the frame at the position and moves on: its PCM, or silence in
    // its place, is appended to out (Frame); under "Cut" a lost frame adds
    // nothing (Skipped). Failed leaves the reason in error().
    Step next(QByteArray* out);
    QString error() const;
    ReadStats stats() const;

private:
    class Private;
    std::unique_ptr<Private> d;
};
