#include "components/subchannel.h"

namespace {

// A sector's Q, read twice when the first answer is not one of the two
// tracks it can belong to: drives misreport a sector now and then.
std::optional<QPosition> position(SubchannelReader& reader, int lsn, int track) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::optional<QPosition> q = reader.qPosition(lsn);
        if (q && (q->track == track || q->track == track - 1) && q->index >= 0 && q->index <= 99)
            return q;
    }
    return std::nullopt;
}

bool inGap(const QPosition& q, int track) {
    return q.track == track && q.index == 0;
}

} // namespace

DiscLayout withGaps(DiscLayout layout, SubchannelReader& reader) {
    DiscLayout plain = layout;
    for (LayoutTrack& track : plain.tracks)
        track.pregap = 0;
    plain.indexesRead = false;
    if (!layout.tracks.isEmpty())
        layout.tracks[0].pregap = layout.tracks[0].start;
    for (int i = 1; i < layout.tracks.size(); ++i) {
        LayoutTrack& track = layout.tracks[i];
        track.pregap = 0;
        const int number = i + 1;
        if (!track.audio || !layout.tracks[i - 1].audio)
            continue;
        // The track's own first sector must say so; else the drive's Q is no witness.
        const std::optional<QPosition> first = position(reader, track.start, number);
        if (!first || first->track != number || first->index != 1)
            return plain;
        const std::optional<QPosition> before = position(reader, track.start - 1, number);
        if (!before)
            return plain;
        if (!inGap(*before, number))
            continue;
        // Sectors of the previous track, then of this one's INDEX 00: the first of the latter.
        int low = layout.tracks[i - 1].start; // not in the gap
        int high = track.start - 1;           // in the gap
        while (high - low > 1) {
            const int middle = low + (high - low) / 2;
            const std::optional<QPosition> q = position(reader, middle, number);
            if (!q)
                return plain;
            (inGap(*q, number) ? high : low) = middle;
        }
        track.pregap = track.start - high;
    }
    layout.indexesRead = true;
    return layout;
}
