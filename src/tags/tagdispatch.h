#pragma once

#include "values/rowtag.h"
#include "values/tagextras.h"

#include <QString>

// The title, artist and album of an audio file, read by its extension (any
// case): ".wma" from its ASF attributes, ".ogg" and ".opus" from their Ogg
// comments, ".flac" from its VORBIS_COMMENT block, ".mp3" from its ID3v2 tag,
// and the other kinds the converter takes (".m4a", ".aiff", ".ape", ...)
// from what FFmpeg finds in them; empty values for other files and for values
// the file does not hold. Raises TagError only when an ".ogg", ".opus" or
// ".flac" file cannot be opened at all.
RowTag readRowTags(const QString& fileName);

// Writes a row's tags into a finished output file by its extension (".mp3",
// ".wma", ".ogg", ".opus", ".flac", any case; a part file by the name it will
// get); other files (WAV, RM) get none. The other values of the format's tag
// (track, comment, genre) are written empty: a row carries no such values.
// Raises TagError when the tags could not be written.
void writeRowTags(const QString& outputFileName, const RowTag& tag);
// The same, and OGG, Opus and FLAC files also get the extras (loudness
// values and cover). A name of its own, so that writeRowTags still fits the
// jobs' two-argument TagWriter.
void writeOutputTags(const QString& outputFileName, const RowTag& tag, const TagExtras& extras);
