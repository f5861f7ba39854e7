#pragma once

#include "values/rowtag.h"

#include <QString>

// The title, artist and album FFmpeg finds in a file's metadata (MP4 atoms,
// APE tags, Matroska tags, an AIFF's ID3 chunk, Ogg comments...), the
// container's first and then its first audio stream's. Empty values for what
// it does not find and for a file it cannot open; this never raises.
RowTag readMediaTags(const QString& path);
