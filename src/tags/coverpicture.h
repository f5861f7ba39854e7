#pragma once

#include "values/tagextras.h"

#include <QString>

// The front cover a source file carries, so that a converted file keeps it
// across formats: an MP3's APIC frame, a FLAC PICTURE block, an M4A's covr
// atom, an Ogg file's METADATA_BLOCK_PICTURE comment, a WMA's WM/Picture, as
// far as FFmpeg shows them as attached pictures. A picture of type "front
// cover" wins over others; a file with pictures of other types only gives
// its first.
//
// Empty when the file has no picture, cannot be read or is damaged; nothing
// raises and FFmpeg prints nothing. When the file has a picture that may not
// be embedded (over 2 MB, not JPEG or PNG) the result is empty and refusal,
// when given, says why (CoverCheck's words); otherwise refusal is emptied.
CoverArt readCoverPicture(const QString& path, QString* refusal = nullptr);
