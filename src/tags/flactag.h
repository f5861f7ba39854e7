#pragma once

#include "tags/oggtag.h"
#include "values/tagextras.h"

#include <optional>
#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// The metadata blocks at the head of a FLAC file, as far as the first frame.
struct FlacMetadata {
    enum Type {
        StreamInfo = 0,
        Padding = 1,
        SeekTable = 3,
        VorbisComment = 4,
        CueSheet = 5,
        Picture = 6
    };
    struct Block {
        int type = 0;
        QByteArray body; // empty for padding, whose bytes are not read
        quint32 length = 0;
    };

    qint64 start = 0;       // where "fLaC" stands (after an ID3v2 tag some programs put first)
    qint64 audioOffset = 0; // the first frame
    QList<Block> blocks;

    // The first block of the type; null when there is none.
    const Block* find(int type) const;
    // Whatever the file holds first must be STREAMINFO; a reader stops at an
    // error and says why in `error`.
    static std::optional<FlacMetadata> read(QIODevice& device, QString* error);
};

// Writes the tag's non-empty values, and the loudness values present, into the
// VORBIS_COMMENT block, and the cover into a PICTURE block in place of the
// front covers there were (other pictures stay; without a cover every picture
// stays). When the blocks fit in the room the old ones and the padding took,
// only those bytes are overwritten, which needs no new room on the disk;
// otherwise the file is rewritten through a replacement, with fresh padding,
// that takes its place only when complete. Raises TagError "Cannot open
// <name>: <reason>" for a file that is not FLAC (left as it was) and "Cannot
// write the tags: <reason>" when the write fails.
void writeFlacTag(const QString& fileName, const OGGTag& tag, const TagExtras& extras = {});

// The values of the file's VORBIS_COMMENT block; all empty when it has none
// or cannot be read. Raises TagError only when the file cannot be opened.
OGGTag readFlacTag(const QString& fileName);
