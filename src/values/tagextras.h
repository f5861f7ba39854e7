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
// loudness values, which the row's list does not show.
struct TagExtras {
    CoverArt cover;
    ReplayGainValues gain;
};
