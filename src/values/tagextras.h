#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

// A picture to embed as the front cover: the image file's bytes as they are
// and their type ("image/jpeg" or "image/png").
struct CoverArt {
    QByteArray data;
    QString mimeType;

    bool isEmpty() const { return data.isEmpty(); }
    bool operator==(const CoverArt& other) const {
        return data == other.data && mimeType == other.mimeType;
    }
};

// ReplayGain 2.0 values of a track and of its album: gains in dB towards
// -18 LUFS, peaks as a fraction of full scale. A value not measured is absent
// and not written.
struct ReplayGainValues {
    std::optional<double> trackGain;
    std::optional<double> trackPeak;
    std::optional<double> albumGain;
    std::optional<double> albumPeak;

    bool isEmpty() const { return !trackGain && !trackPeak && !albumGain && !albumPeak; }
};

// What an output file gets beside the row's own tags: the cover and the
// loudness values, which the row's list does not show, and what the disc
// tells of a ripped track.
struct TagExtras {
    CoverArt cover;
    ReplayGainValues gain;
    QString isrc = {};    // the track's, as TSRC, ISRC or WM/ISRC
    QString barcode = {}; // the release's UPC/EAN, as BARCODE or WM/Barcode
    int trackNumber = -1; // on the disc (0 for its hidden track); none written below 0
    // A FLAC file of the whole disc: its cue sheet as a CUESHEET comment, and
    // the body of its CUESHEET metadata block.
    QString cueSheet = {};
    QByteArray cueSheetBlock = {};
};
