#include "components/discreader.h"

RipRange Disc::range(int track) const {
    if (track == HiddenTrack)
        return layout.hiddenFrames() > 0 ? RipRange{0, layout.hiddenFrames()} : RipRange{};
    if (track < 0 || track >= tracks.size())
        return {};
    return {tracks[track].start, tracks[track].frames};
}
