#pragma once

#include "values/tagextras.h"

#include <QString>

class QIODevice;

// The seven values of an Ogg Vorbis file's comments.
struct OGGTag {
    QString album;   // "album"
    QString title;   // "title"
    QString artist;  // "artist"
    QString comment; // "comment"
    QString genre;   // "genre"
    QString year;    // "date"
    QString track;   // "tracknumber"

    bool operator==(const OGGTag& other) const;
};

// Replaces the comments of an Ogg Vorbis or Opus file with the tag's
// non-empty values, written as Title=, Artist=, Album=, trackNumber=, Date=,
// Genre=, Comment=, then the extras' loudness values (REPLAYGAIN_* for
// Vorbis, R128_* for Opus) and cover (METADATA_BLOCK_PICTURE). The file is
// rewritten into a replacement that takes its place only when complete.
// Raises TagError "Cannot open <name>: <reason>" for a file that cannot be
// read as Ogg Vorbis and "Cannot write comments: <reason>" when the rewrite
// fails; the file is left as it was either way. True when the file carries
// the new comments.
bool writeOggTag(const QString& fileName, const OGGTag& tag, const TagExtras& extras = {});

// The values found in the comments of an Ogg Vorbis (or Opus) file, names
// compared without case, a later comment replacing an earlier one. All empty
// for a file whose comments cannot be read. Raises TagError
// "Cannot open <name>: <reason>" only when the file itself cannot be opened.
OGGTag readOggTag(const QString& fileName);
OGGTag readOggTagFrom(QIODevice& device);
