#pragma once

#include "checksums/accuraterip.h"

#include <QByteArray>
#include <QVector>

// What the reader learnt of one ripped track as its PCM passed: the
// checksums that prove it, and what reading it cost.
struct TrackCheck {
    bool complete = false; // the whole track passed; only then do the sums mean anything
    quint32 crc32 = 0;
    quint32 v1 = 0; // AccurateRip checksums
    quint32 v2 = 0;
    quint32 frame450 = 0;
    int rereadSectors = 0;
    int correctedSectors = 0;
    int silencedSectors = 0;
    int skippedSectors = 0;
    int offset = 0; // the read offset applied, in samples
};

// A disc's table of contents as the rip log and AccurateRip see it.
struct DiscLayout {
    QVector<ArTocTrack> tracks;
    int leadout = 0;

    bool isEmpty() const { return tracks.isEmpty(); }
    AccurateRipId accurateRipId() const { return AccurateRipId::fromToc(tracks, leadout); }
    // The 0-based position of track among the audio tracks, or -1 for a data track.
    int audioIndex(int track) const {
        if (track < 0 || track >= tracks.size() || !tracks[track].audio)
            return -1;
        int index = 0;
        for (int i = 0; i < track; ++i)
            index += tracks[i].audio ? 1 : 0;
        return index;
    }
    int audioCount() const {
        int count = 0;
        for (const ArTocTrack& track : tracks)
            count += track.audio ? 1 : 0;
        return count;
    }
};
