#pragma once

#include "values/tagextras.h"

#include <QByteArray>
#include <QString>

// Whether a picture may go into the output files as their front cover. A
// cover is embedded in every file of an album, so one larger than MaxBytes
// would swell each of them; only JPEG and PNG are shown by every player.
namespace CoverCheck {

inline constexpr qint64 MaxBytes = 2 * 1024 * 1024;

// "image/jpeg" or "image/png" by the picture's first bytes (whatever a file
// name or a server said), empty for anything else.
QString mimeTypeOf(const QByteArray& data);

// The picture as a cover to embed, its type taken from its bytes. Empty when
// it may not be embedded; then reason (when given) says why in words the rip
// log and the command line show: "the cover is larger than 2 MB", "the cover
// is not a JPEG or PNG picture", "the cover is empty".
CoverArt checked(const QByteArray& data, QString* reason = nullptr);

} // namespace CoverCheck
