#pragma once

#include "checksums/accuraterip.h"
#include "values/cdtoc.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One track of a disc as the disc itself records it: where it starts, the gap
// before it, its further indexes, its ISRC and the flags of its sub-channel.
struct LayoutTrack {
    int start = 0; // INDEX 01, in frames from the start of the program area
    bool audio = true;
    // Frames of INDEX 00 before start: the gap, which plays at the end of
    // the previous track's file (as AccurateRip's sums assume). 0 for none.
    int pregap = 0;
    // INDEX 02, 03, ... in frames from start; ascending and inside the track.
    QVector<int> indexes = {};
    QString isrc = {}; // twelve characters (CCOOOYYSSSSS), or empty
    bool preEmphasis = false;
    bool copyPermitted = false;
    bool fourChannel = false;

    bool operator==(const LayoutTrack& other) const;
    bool operator!=(const LayoutTrack& other) const { return !(*this == other); }
};

// The disc as one value: its table of contents, which the disc IDs come from,
// grown by what the Q sub-channel or an image's sheet adds to it.
struct DiscLayout {
    // At least this much audio before track 1, and not silence, makes a
    // hidden track of its own: one second.
    static constexpr int MinHiddenFrames = CdToc::FramesPerSecond;
    // Lead-out, lead-in and pregap between an enhanced CD's audio and data sessions.
    static constexpr int SessionGapFrames = 11400;

    QVector<LayoutTrack> tracks;
    int leadout = 0;
    QString catalog = {}; // the disc's catalog number (MCN, a UPC/EAN barcode): 13 digits
    // False when the drive could not report its index positions: then there
    // are no gaps and indexes in the layout, for none were found, not because
    // the disc has none.
    bool indexesRead = true;
    // What the reader dropped of the layout, and why (a malformed ISRC in a
    // sheet, gaps it could not place), for the rip log. Not part of the disc.
    QStringList notes = {};

    bool isEmpty() const { return tracks.isEmpty(); }
    CdToc toc() const;
    AccurateRipId accurateRipId() const;
    // The 0-based position of track among the audio tracks, or -1 for a data track.
    int audioIndex(int track) const;
    int audioCount() const;
    // Where the audio of the first session ends: the lead-out, or before the
    // data session of an enhanced CD and its gap.
    int audioEnd() const;
    // The audio before track 1's INDEX 01, from the first frame of the disc.
    int hiddenFrames() const;
    bool anyPreEmphasis() const;

    bool operator==(const DiscLayout& other) const;
    bool operator!=(const DiscLayout& other) const { return !(*this == other); }

    // Why a value cannot be an ISRC or a catalog number; empty when it can.
    // Both come from discs and sheets made by anyone.
    static QString isrcProblem(const QString& isrc);
    static QString catalogProblem(const QString& catalog);
};
