#pragma once

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

    struct Track {
        int number = 0;
        // The sheet declares the track's data big-endian (a cue MOTOROLA file).
        bool bigEndian = false;
    };

    QVector<Track> tracks;
    // The data files as the sheet names them (relative to its folder or absolute).
    QStringList dataFiles;
    // For a .toc, by check(): the sheet as libcdio is to read it, which names
    // each data file by the absolute path that was checked.
    QByteArray libraryToc;
    QString error; // why the image is refused; empty when it may be opened

    bool ok() const { return error.isEmpty(); }

    // The image at path, chosen by its suffix (.cue, .toc, .nrg): its sheet
    // or chunk table, and the data files libcdio would open for it.
    static ImageSheet check(const QString& imagePath);

    // The checks of the text or bytes alone, touching no file.
    static ImageSheet parseCue(const QByteArray& text);
    static ImageSheet parseToc(const QByteArray& text);
    // tail: the last bytes of an .nrg file of fileSize bytes (all of it when small).
    static ImageSheet parseNrg(const QByteArray& tail, qint64 fileSize);
};
