#pragma once

#include "checksums/accuraterip.h"
#include "checksums/ctdb.h"
#include "checksums/disclayout.h"

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
    CtdbTrackSums ctdb; // the track's part of CTDB's sums
    int rereadSectors = 0;
    int correctedSectors = 0;
    int silencedSectors = 0;
    int skippedSectors = 0;
    int offset = 0; // the read offset applied, in samples
};
