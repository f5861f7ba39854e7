#pragma once

#include "checksums/disclayout.h"
#include "components/cdio/imagesheet.h"

#include <memory>
#include <QString>
#include <QStringList>
#include <QVector>
#include <vector>

// A disc image that Orvelle reads itself: a cue sheet over audio files (WAV or
// FLAC of CD audio) or raw data files, one file for the disc or one a track,
// with a gap in either file and PREGAP silence that no file holds. libcdio
// reads only the one BINARY file named like a sheet; a rip's own sheet, or
// another ripper's, names its audio files.
class SheetImage {
public:
    // For a checked sheet whose ownReader() is true. Null, with *error set, when a file is missing,
    // is not CD audio (44100 Hz, 16-bit stereo, whole frames) or the sheet's layout makes no disc.
    static std::unique_ptr<SheetImage> open(const QString& cuePath, const ImageSheet& sheet,
                                            QString* error);
    ~SheetImage();
    SheetImage(const SheetImage&) = delete;
    SheetImage& operator=(const SheetImage&) = delete;

    // The disc's layout: INDEX 01 as each track's start, the lead-out after
    // the last file, the gaps, indexes, ISRCs, flags and catalog number.
    const DiscLayout& layout() const { return m_layout; }
    const ImageSheet& sheet() const { return m_sheet; }
    // count frames from lsn as little-endian PCM; silence where no file holds
    // the disc. False past the disc's end or when a file cannot be read.
    bool read(int lsn, int count, char* buffer);

private:
    class File;
    // A stretch of the disc: frames of a file from fileFrame on, or silence (file -1).
    struct Segment {
        int start = 0;
        int frames = 0;
        int file = -1;
        int fileFrame = 0;
    };

    SheetImage() = default;

    ImageSheet m_sheet;
    std::vector<std::unique_ptr<File>> m_files;
    QVector<Segment> m_segments;
    DiscLayout m_layout;
};
