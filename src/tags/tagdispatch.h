#pragma once

#include "tags/rowtag.h"

#include <QString>

// The title, artist and album of an audio file, read by its extension
// (".wma", ".ogg", ".mp3", any case); empty values for other files and for
// values the file does not hold. Raises TagError only when an ".ogg" file
// cannot be opened at all.
RowTag ReadRowTags(const QString& fileName);

// Writes a row's tags into a finished output file by its extension (".mp3",
// ".wma", ".ogg", any case; a part file by the name it will get); other files
// (WAV, RM) get none. The other values of the format's tag (year, track,
// comment, genre) are written empty: a row carries no such values. Raises
// TagError when the tags could not be written.
void WriteRowTags(const QString& outputFileName, const RowTag& tag);
