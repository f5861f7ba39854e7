#pragma once

#include "checksums/disclayout.h"

#include <QString>
#include <QVector>

// The cue sheet and the playlist written beside a rip's files, as text. The
// sheet describes the disc over the files exactly: each file holds a stretch
// of the disc's frames, a gap plays at the end of the previous track's file,
// and audio before track 1 that no file holds becomes a PREGAP of silence, so
// that the sheet read back is the same disc with the same IDs.
struct CueSheet {
    // One file of the rip and where its frames lie on the disc.
    struct File {
        QString name; // beside the sheet
        int first = 0;
        int frames = 0;
        bool wave = true; // WAV or FLAC audio; false for raw little-endian data
    };
    struct Track {
        QString title = {};
        QString performer = {};
    };

    DiscLayout layout;
    QVector<File> files = {};   // in disc order
    QVector<Track> tracks = {}; // by the layout's tracks; missing ones have no texts
    QString title = {};         // the album
    QString performer = {};
    QString genre = {};
    QString date = {};
    QString comment = {}; // "Orvelle 1.2"

    // UTF-8 text, one line each for the disc's values, then the tracks that
    // the files hold. Every text is one cleaned line inside its quotes.
    QString text() const;
    // An .m3u8 playlist of the files with their lengths and names.
    QString playlist() const;
    // The body of a FLAC CUESHEET block for one file of the disc's audio that
    // starts at frame `first`: the catalog number, each audio track with its
    // ISRC, pre-emphasis and indexes, and the lead-out.
    static QByteArray flacBlock(const DiscLayout& layout, int first);
    // A text as the sheet quotes it: one line, no double quote, short enough
    // for any reader's line.
    static QString quoted(const QString& text);
};
