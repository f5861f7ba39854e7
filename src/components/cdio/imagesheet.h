#pragma once

#include "checksums/disclayout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// What Orvelle reads in a disc image before libcdio may: the .cue or .toc
// sheet, or the chunk table at the end of an .nrg file. libcdio's parsers
// trust their input (a cue sheet of 101 tracks writes past a table of 100),
// so an image reaches the library only when its track count, track numbers,
// sizes and offsets are within bounds, and when every data file it names is
// a regular file inside the image's folder.
class ImageSheet {
public:
    static constexpr int MaxTracks = 99;
    // No sheet of an audio CD comes near this; libcdio reads lines into
    // buffers of a few hundred bytes and would split a longer one.
    static constexpr qint64 MaxSheetBytes = 1 << 20;
    static constexpr int MaxLineBytes = 500;
    // An .nrg chunk table with its footer, at the end of the image: libcdio
    // reads it into a buffer of this size, and asserts it fits.
    static constexpr qint64 MaxNrgTableBytes = 4096;

    // An INDEX of a track. In a cue sheet: frames into the data file it
    // names (file from 0); in a .toc or an .nrg: frames from the track's
    // INDEX 01, with file -1.
    struct Index {
        int number = 1;
        int file = -1;
        int frame = 0;
    };

    struct Track {
        int number = 0;
        // The sheet declares the track's data big-endian (a cue MOTOROLA file).
        bool bigEndian = false;
        bool audio = true;
        QVector<Index> indexes; // numbers ascending; INDEX 01 always among them
        // Frames of silence before INDEX 01 that no file holds (PREGAP):
        // Orvelle's own reader puts them on the disc; libcdio leaves them out.
        int silence = 0;
        QString isrc;
        bool preEmphasis = false;
        bool copyPermitted = false;
        bool fourChannel = false;
        QString title; // cue TITLE and PERFORMER, cleaned
        QString performer;
    };

    QVector<Track> tracks;
    QString catalog; // the disc's catalog number (MCN), when the sheet names a valid one
    QString title;   // the disc's, from a cue sheet
    QString performer;
    // What the sheet holds that is dropped, and why: a malformed ISRC or
    // catalog number, unknown FLAGS words. The rip log lists them.
    QStringList notes;
    // The data files as the sheet names them (relative to its folder or absolute).
    QStringList dataFiles;
    // For a cue sheet, each file's type as the FILE line gives it: BINARY,
    // MOTOROLA, WAVE, ... in capitals.
    QStringList fileTypes;
    // For a .toc, by check(): the sheet as libcdio is to read it, which names
    // each data file by the absolute path that was checked.
    QByteArray libraryToc;
    QString error; // why the image is refused; empty when it may be opened

    bool ok() const { return error.isEmpty(); }
    // A cue sheet that names audio files (WAVE) or more than one file, which
    // Orvelle reads itself (SheetImage); libcdio reads the others.
    bool ownReader() const {
        return dataFiles.size() > 1 || fileTypes.contains(QLatin1String("WAVE"));
    }

    // The image at path, chosen by its suffix (.cue, .toc, .nrg): its sheet
    // or chunk table, and the data files libcdio would open for it.
    static ImageSheet check(const QString& imagePath);

    // The checks of the text or bytes alone, touching no file.
    static ImageSheet parseCue(const QByteArray& text);
    static ImageSheet parseToc(const QByteArray& text);
    // tail: the last bytes of an .nrg file of fileSize bytes (all of it when small).
    static ImageSheet parseNrg(const QByteArray& tail, qint64 fileSize);

    // The layout the sheet describes over the table of contents a reader
    // found for it (starts, lead-out, data tracks): the gaps, indexes, ISRCs,
    // flags and catalog number. fileFrames: the length of each data file of
    // a cue sheet, which a gap across two files needs. Empty, with *why set,
    // when the sheet and the table disagree, a gap spans files of unknown
    // length, or the gaps and indexes make no disc: a gap as long as the
    // track before it, an index past its track's end.
    DiscLayout layoutOver(const DiscLayout& toc, const QVector<int>& fileFrames,
                          QString* why) const;
};
