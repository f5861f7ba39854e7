#pragma once

#include "values/tagextras.h"

#include <optional>
#include <QByteArray>

// The picture block of FLAC, which FLAC files hold as a metadata block and
// Ogg Vorbis and Opus files as the Base64 METADATA_BLOCK_PICTURE comment.
namespace FlacPicture {

inline constexpr quint32 FrontCover = 3;

// A front cover block: type 3, the MIME type, no description, the width,
// height and bits per pixel read from a PNG or JPEG header (0 where the
// header does not tell), the number of palette colours of an indexed PNG,
// and the picture's bytes as they are.
QByteArray block(const CoverArt& cover);

struct Picture {
    quint32 type = 0;
    QString mimeType;
    QString description;
    quint32 width = 0;
    quint32 height = 0;
    quint32 depth = 0;
    quint32 colours = 0;
    QByteArray data;
};
// A block read back; none when a length runs past its end.
std::optional<Picture> parse(const QByteArray& block);

} // namespace FlacPicture
