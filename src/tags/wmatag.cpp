#include "tags/wmatag.h"

#include "tags/asfheader.h"
#include "tags/coverart.h"
#include "tags/replaygaintags.h"
#include "tags/tagfilerewrite.h"
#include "values/tagtext.h"

#include <array>
#include <QFile>

namespace {

struct TextField {
    const char* attribute;
    QString WmaTag::*value;
    int maxBytes;
};

// In the order the writer sets them.
const std::array<TextField, 6> kTextFields{{{"Author", &WmaTag::artist, 127},
                                            {"Title", &WmaTag::title, 127},
                                            {"WM/AlbumTitle", &WmaTag::album, 127},
                                            {"WM/Year", &WmaTag::year, 127},
                                            {"Description", &WmaTag::comment, 254},
                                            {"WM/Genre", &WmaTag::genre, 31}}};

quint16 trackNumber(const AsfHeader& header, const char* name) {
    quint64 value = 0;
    const auto attribute = header.attribute(QLatin1String(name));
    return attribute && attribute->number(value) ? static_cast<quint16>(value & 0xFFFF) : 0;
}

} // namespace

bool WmaTag::operator==(const WmaTag& other) const {
    if (valid != other.valid || track != other.track)
        return false;
    for (const TextField& field : kTextFields)
        if (this->*field.value != other.*field.value)
            return false;
    return true;
}

WmaTag fittedToFields(WmaTag tag) {
    for (const TextField& field : kTextFields)
        tag.*field.value =
            TagText::cutToUtf8Bytes(TagText::upToZero(tag.*field.value), field.maxBytes);
    return tag;
}

WmaTag readWmaTagFrom(QIODevice& device) {
    AsfHeader header;
    if (!header.read(device))
        return {};
    WmaTag tag;
    tag.valid = true;
    for (const TextField& field : kTextFields) {
        const auto attribute = header.attribute(QLatin1String(field.attribute));
        if (attribute)
            tag.*field.value = attribute->text();
    }
    tag.track = trackNumber(header, "WM/TrackNumber");
    if (tag.track == 0)
        tag.track = trackNumber(header, "WM/Track");
    return fittedToFields(tag);
}

QByteArray readWmaPictureFrom(QIODevice& device) {
    AsfHeader header;
    QByteArray bytes;
    if (header.read(device)) {
        const auto attribute = header.attribute(QStringLiteral("WM/Picture"));
        if (attribute)
            attribute->picture(bytes);
    }
    return bytes;
}

WmaTag readWmaTag(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readWmaTagFrom(file);
}

bool writeWmaTagTo(QIODevice& source, QIODevice& destination, const WmaTag& tag,
                   const TagExtras& extras) {
    AsfHeader header;
    if (!header.read(source))
        return false;
    const WmaTag fitted = fittedToFields(tag);
    for (const TextField& field : kTextFields)
        header.setAttribute(QLatin1String(field.attribute),
                            AsfAttribute::fromText(fitted.*field.value));
    header.setAttribute(QStringLiteral("WM/TrackNumber"), AsfAttribute::fromDWord(tag.track));
    for (const auto& [name, value] : replayGainTags(extras.gain))
        header.setAttribute(name, AsfAttribute::fromText(value));
    if (!extras.isrc.isEmpty())
        header.setAttribute(QStringLiteral("WM/ISRC"), AsfAttribute::fromText(extras.isrc));
    if (!extras.barcode.isEmpty())
        header.setAttribute(QStringLiteral("WM/Barcode"), AsfAttribute::fromText(extras.barcode));
    const CoverArt cover = CoverCheck::checked(extras.cover.data);
    if (!cover.isEmpty())
        header.setAttribute(QStringLiteral("WM/Picture"),
                            AsfAttribute::fromFrontCover(cover.data, cover.mimeType));
    return header.write(source, destination);
}

bool writeWmaTag(const QString& fileName, const WmaTag& tag, const TagExtras& extras) {
    TagFileRewrite rewrite(fileName);
    return rewrite.open() &&
           writeWmaTagTo(rewrite.original(), rewrite.replacement(), tag, extras) &&
           rewrite.commit();
}
