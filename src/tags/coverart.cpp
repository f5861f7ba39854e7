#include "tags/coverart.h"

#include "components/ffmpeg/picturedecoder.h"

namespace CoverCheck {

QString mimeTypeOf(const QByteArray& data) {
    // A JPEG starts with its start-of-image marker and the next marker's 0xFF.
    if (data.startsWith(QByteArrayLiteral("\xFF\xD8\xFF")))
        return QStringLiteral("image/jpeg");
    // A PNG's signature, then its first chunk, which must be the header.
    if (data.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1A\n")) && data.mid(12, 4) == "IHDR")
        return QStringLiteral("image/png");
    return {};
}

CoverArt checked(const QByteArray& data, QString* reason) {
    QString why;
    QString mimeType;
    if (data.isEmpty())
        why = QStringLiteral("the cover is empty");
    else if (data.size() > MaxBytes)
        why = QStringLiteral("the cover is larger than 2 MB");
    else if ((mimeType = mimeTypeOf(data)).isEmpty())
        why = QStringLiteral("the cover is not a JPEG or PNG picture");
    else
        why = PictureDecoder::problemOf(data, mimeType == QLatin1String("image/png"));
    if (reason)
        *reason = why;
    if (!why.isEmpty())
        return {};
    return {data, mimeType};
}

} // namespace CoverCheck
