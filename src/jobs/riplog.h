#pragma once

#include "checksums/accuraterip.h"
#include "checksums/trackcheck.h"
#include "checksums/witnesses.h"
#include "components/trackripper.h"
#include "values/tagextras.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What a rip log records: how the disc was read, its table of contents and
// what each ripped track came to. Kept beside the files, so that a rip can
// be shown to be right long after.
struct RipLog {
    struct Track {
        int number = 0; // 1-based, as on the disc
        QString output; // the file's path
        TrackCheck check;
        TrackVerdict verdict;
        QString failure; // why the track has no file; empty when it has one
        bool stopped = false;
        bool verified = false; // its verdict was told
        ReplayGainValues gain; // what the file's tags carry
        QString conversion;    // how the disc's sound was converted for the file; empty: it was not
    };

    QString version;
    QString drive; // "VENDOR PRODUCT (device)" or the image's path
    ReadSettings read;
    int offset = 0;
    DiscLayout layout;   // with what of it was dropped, and why
    QString hiddenTrack; // what became of audio before track 1: "ripped as track 00", ...
    QString cueSheet;    // the cue sheet written beside the files, or why there is none
    QString lookup;      // what the database said of the disc as a whole
    QString ctdbLookup;  // what CTDB said of it; empty when it was not asked
    QString cover;       // the front cover embedded, or why there is none
    QString albumGain;   // why album gain was asked for and not written; else empty
    QVector<Track> tracks;

    QString text() const;
    // "track -6.52 dB, peak 0.988831; album -7.01 dB, peak 1.000000"; empty
    // without values.
    static QString gainText(const ReplayGainValues& gain);
    // "All tracks accurately ripped", or the tracks that are not and why.
    QString closingLine() const;
    // The log's file name: the album's, cleaned as output names are, ".log".
    static QString fileName(const QString& album);
};

// The read mode and error action as the log names them.
QString readModeName(ReadMode mode);
QString errorActionName(ErrorAction action);
