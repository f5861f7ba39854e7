#pragma once

#include "tags/oggtag.h"
#include "values/tagextras.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The comments Orvelle writes into Ogg Vorbis, Opus and FLAC files, one
// builder for all three, so that a value reads the same in each.
namespace VorbisComments {

// Opus players take loudness as R128_* gains and no peaks; Vorbis and FLAC
// players as REPLAYGAIN_* gains and peaks.
enum class Flavour { Vorbis, Opus };

// "NAME=value" in UTF-8: the tag's non-empty values (Title, Artist, Album,
// trackNumber, Date, Genre, Comment), then the loudness values present, then
// the cover as METADATA_BLOCK_PICTURE when `pictureComment` (FLAC keeps the
// picture in a block of its own instead).
QList<QByteArray> build(const OGGTag& tag, const TagExtras& extras, Flavour flavour,
                        bool pictureComment);

// The tag's values among comments, names compared without case, a later
// comment replacing an earlier one, surrounding blanks dropped.
OGGTag tagFrom(const QList<QByteArray>& comments);

// The comment block as FLAC's VORBIS_COMMENT block and, after their prefix,
// the Ogg comment packets hold it: vendor and comments with little-endian lengths.
QByteArray block(const QByteArray& vendor, const QList<QByteArray>& comments);
// The vendor and comments of a block starting at `offset`; false when a
// length runs past the data.
bool parse(const QByteArray& data, int offset, QByteArray& vendor, QList<QByteArray>& comments);

} // namespace VorbisComments
