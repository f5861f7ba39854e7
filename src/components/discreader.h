#pragma once

#include "checksums/disclayout.h"
#include "values/cdtoc.h"

#include <QObject>
#include <QString>
#include <QVector>

// A track as the disc's table of contents has it, with its CD-TEXT.
struct DiscTrack {
    int start = 0;  // INDEX 01, in frames from the start of the program area
    int frames = 0; // length in CD frames
    bool audio = true;
    QString title; // CD-TEXT, cleaned; empty when the disc has none
    QString artist;
};

// Frames of a disc read as one piece: a track, or the audio before track 1.
struct RipRange {
    int first = 0;  // frames from the start of the program area
    int frames = 0; // how many
};

// The disc in a drive as a disc reader read it: its tracks with their
// CD-TEXT, its layout, and the drive it was read in. A plain value: a rip, a
// preview or a lookup of the disc takes it as it was read.
struct Disc {
    // The audio before track 1's INDEX 01, from the disc's first sector; a
    // track of its own when hiddenTrack.
    static constexpr int HiddenTrack = -2;
    // A rip's row that stands for the whole disc as one file; never a range.
    static constexpr int WholeDisc = -3;

    QString drive; // the id of the drive it was read in
    QVector<DiscTrack> tracks;
    // The table of contents grown by gaps, indexes, ISRCs, flags and the
    // catalog number, and the notes on what of them was left out.
    DiscLayout layout;
    QString album;  // CD-TEXT title of the disc
    QString artist; // CD-TEXT performer of the disc
    // The audio before track 1 makes a track: at least a second of it, and
    // not digital silence.
    bool hiddenTrack = false;
    // Why the drive holds nothing to read though something is there (a disc
    // image Orvelle refuses); empty otherwise.
    QString error;

    bool isEmpty() const { return tracks.isEmpty(); }
    CdToc toc() const { return layout.toc(); }
    // The frames of a track (from 0, or HiddenTrack); empty for none.
    RipRange range(int track) const;
    // The number the track has on the disc: 0 for the hidden track.
    static int number(int track) { return track == HiddenTrack ? 0 : track + 1; }
};

// A drive as the drive list shows it.
struct DriveInfo {
    QString id; // its device, or the image's path
    QString vendor;
    QString product;
    QString revision;
};

// The CD drives and the disc in the current one. Drives count from 1, tracks
// from 0, lengths in CD frames (2352 bytes, 1/75 s of 44100 Hz 16-bit stereo
// PCM). Failures raise ComponentError. Events arrive on the GUI thread.
class DiscReader : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Finds the drives; the first becomes the current one.
    virtual void initialize() = 0;
    virtual void shutdown() = 0;

    virtual int driveCount() = 0;
    virtual void setCurrentDrive(int drive) = 0; // 1-based
    virtual DriveInfo currentDrive() = 0;
    // The disc in the current drive, read now; empty when there is none.
    virtual Disc readDisc() = 0;
    // The key of section "AccurateRip" that keeps the current drive's read
    // offset; empty for a disc image or without a drive, which have none.
    virtual QString readOffsetKey() { return {}; }

signals:
    // A disc was put in, taken out or swapped in the current drive.
    void mediaChanged();
};
