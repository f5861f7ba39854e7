#pragma once

#include "checksums/disclayout.h"

#include <optional>

// Where the Q sub-channel of one sector says it lies: its track and index.
struct QPosition {
    int track = 0;
    int index = 0;
    bool operator==(const QPosition& other) const {
        return track == other.track && index == other.index;
    }
};

// A drive's Q sub-channel, sector by sector. Nothing when the drive cannot
// report it or the sector's Q fails its check.
class SubchannelReader {
public:
    virtual ~SubchannelReader() = default;
    virtual std::optional<QPosition> qPosition(int lsn) = 0;
};

// The gaps of a disc read from its Q sub-channel: for each track after the
// first, where INDEX 00 begins before its INDEX 01, found by a binary search
// between the two tracks' starts. Track 1's gap is what lies before its start.
// A drive that answers nothing, or positions that contradict the table of
// contents, gets no gaps at all and indexesRead false: a gap is never guessed.
DiscLayout withGaps(DiscLayout layout, SubchannelReader& reader);
