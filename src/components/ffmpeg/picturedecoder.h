#pragma once

#include <QByteArray>
#include <QString>

// A JPEG or PNG picture from outside (a server, a source file) is decoded
// whole before Orvelle passes it on, so that no file it writes carries a
// picture that does not decode, or one sized to exhaust a reader's memory.
namespace PictureDecoder {

// Pixels on either side that a cover may have.
inline constexpr int MaxSide = 8000;

// Why the picture is refused ("the cover does not decode as a JPEG picture:
// ...", "the cover is 65535x65535 pixels, larger than 8000x8000"); empty when
// it decodes whole within MaxSide. The decoder refuses a larger picture
// before it allocates its pixels.
QString problemOf(const QByteArray& data, bool png);

} // namespace PictureDecoder
