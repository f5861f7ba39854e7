#include "tags/flacpicture.h"

#include <QtEndian>

namespace {

struct Geometry {
    quint32 width = 0;
    quint32 height = 0;
    quint32 depth = 0;
    quint32 colours = 0;
};

quint32 bigEndian32(const QByteArray& data, qsizetype at) {
    return qFromBigEndian<quint32>(data.constData() + at);
}

quint16 bigEndian16(const QByteArray& data, qsizetype at) {
    return qFromBigEndian<quint16>(data.constData() + at);
}

// IHDR comes first; an indexed picture's PLTE follows before the image data.
Geometry pngGeometry(const QByteArray& png) {
    Geometry g;
    if (png.size() < 29 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR")
        return g;
    g.width = bigEndian32(png, 16);
    g.height = bigEndian32(png, 20);
    const quint32 bits = quint8(png[24]);
    const int colourType = quint8(png[25]);
    const int samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    g.depth = bits * quint32(samples);
    if (colourType != 3)
        return g;
    for (qsizetype at = 8; at + 8 <= png.size();) {
        const quint32 length = bigEndian32(png, at);
        const QByteArray type = png.mid(at + 4, 4);
        if (type == "PLTE") {
            g.colours = length / 3;
            break;
        }
        if (type == "IDAT" || length > quint32(png.size() - at - 8))
            break;
        at += 12 + qsizetype(length);
    }
    return g;
}

// The first start-of-frame marker tells the size, precision and components.
Geometry jpegGeometry(const QByteArray& jpeg) {
    Geometry g;
    if (!jpeg.startsWith("\xff\xd8"))
        return g;
    for (qsizetype at = 2; at + 4 <= jpeg.size();) {
        if (quint8(jpeg[at]) != 0xFF)
            break;
        const int marker = quint8(jpeg[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const quint16 length = bigEndian16(jpeg, at + 2);
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame && at + 10 <= jpeg.size()) {
            g.height = bigEndian16(jpeg, at + 5);
            g.width = bigEndian16(jpeg, at + 7);
            g.depth = quint32(quint8(jpeg[at + 4])) * quint8(jpeg[at + 9]);
            break;
        }
        if (marker == 0xDA || length < 2)
            break;
        at += 2 + length;
    }
    return g;
}

void append32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

namespace FlacPicture {

QByteArray block(const CoverArt& cover) {
    const Geometry g = cover.mimeType == QLatin1String("image/png") ? pngGeometry(cover.data)
                                                                    : jpegGeometry(cover.data);
    const QByteArray mime = cover.mimeType.toLatin1();
    QByteArray out;
    append32(out, FrontCover);
    append32(out, quint32(mime.size()));
    out.append(mime);
    append32(out, 0); // no description
    append32(out, g.width);
    append32(out, g.height);
    append32(out, g.depth);
    append32(out, g.colours);
    append32(out, quint32(cover.data.size()));
    out.append(cover.data);
    return out;
}

std::optional<Picture> parse(const QByteArray& block) {
    qsizetype at = 0;
    const auto number = [&](quint32& value) {
        if (block.size() - at < 4)
            return false;
        value = bigEndian32(block, at);
        at += 4;
        return true;
    };
    const auto bytes = [&](QByteArray& value) {
        quint32 length = 0;
        if (!number(length) || length > quint64(block.size() - at))
            return false;
        value = block.mid(at, qsizetype(length));
        at += qsizetype(length);
        return true;
    };
    Picture p;
    QByteArray mime, description;
    if (!number(p.type) || !bytes(mime) || !bytes(description) || !number(p.width) ||
        !number(p.height) || !number(p.depth) || !number(p.colours) || !bytes(p.data))
        return std::nullopt;
    p.mimeType = QString::fromLatin1(mime);
    p.description = QString::fromUtf8(description);
    return p;
}

} // namespace FlacPicture
