#include "tags/wmatag.h"

#include "tags/asfheader.h"
#include "tags/coverart.h"
#include "tags/replaygaintags.h"
#include "tags/tagfilerewrite.h"
#include "tags/tagtext.h"

#include <array>
#include <QFile>

namespace {

struct TextField {
    const char* attribute;
    QString WmaTag::*value;
    int maxBytes;
};

// In the order the writer sets them.
const std::array<TextField, 6> kTextFields{{{"Author", &WmaTag::Artist, 127},
                                            {"Title", &WmaTag::Title, 127},
                                            {"WM/AlbumTitle", &WmaTag::Album, 127},
                                            {"WM/Year", &WmaTag::Year, 127},
                                            {"Description", &WmaTag::Comment, 254},
                                            {"WM/Genre", &WmaTag::Genre, 31}}};

quint16 TrackNumber(const AsfHeader& header, const char* name) {
    quint64 value = 0;
    const auto attribute = header.attribute(QLatin1String(name));
    return attribute && attribute->number(value) ? static_cast<quint16>(value & 0xFFFF) : 0;
}

} // namespace

bool WmaTag::operator==(const WmaTag& other) const {
    if (Valid != other.Valid || Track != other.Track)
        return false;
    for (const TextField& field : kTextFields)
        if (this->*field.value != other.*field.value)
            return false;
    return true;
}

WmaTag FittedToFields(WmaTag tag) {
    for (const TextField& field : kTextFields)
        tag.*field.value =
            TagText::CutToUtf8Bytes(TagText::UpToZero(tag.*field.value), field.maxBytes);
    return tag;
}

WmaTag ReadWmaTagFrom(QIODevice& device) {
    AsfHeader header;
    if (!header.read(device))
        return {};
    WmaTag tag;
    tag.Valid = -1;
    for (const TextField& field : kTextFields) {
        const auto attribute = header.attribute(QLatin1String(field.attribute));
        if (attribute)
            tag.*field.value = attribute->text();
    }
    tag.Track = TrackNumber(header, "WM/TrackNumber");
    if (tag.Track == 0)
        tag.Track = TrackNumber(header, "WM/Track");
    return FittedToFields(tag);
}

QByteArray ReadWmaPictureFrom(QIODevice& device) {
    AsfHeader header;
    QByteArray bytes;
    if (header.read(device)) {
        const auto attribute = header.attribute(QStringLiteral("WM/Picture"));
        if (attribute)
            attribute->picture(bytes);
    }
    return bytes;
}

WmaTag ReadWmaTag(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ReadWmaTagFrom(file);
}

bool WriteWmaTagTo(QIODevice& source, QIODevice& destination, const WmaTag& tag,
                   const TagExtras& extras) {
    AsfHeader header;
    if (!header.read(source))
        return false;
    const WmaTag fitted = FittedToFields(tag);
    for (const TextField& field : kTextFields)
        header.setAttribute(QLatin1String(field.attribute),
                            AsfAttribute::fromText(fitted.*field.value));
    header.setAttribute(QStringLiteral("WM/TrackNumber"), AsfAttribute::fromDWord(tag.Track));
    for (const auto& [name, value] : replayGainTags(extras.gain))
        header.setAttribute(name, AsfAttribute::fromText(value));
    const CoverArt cover = CoverCheck::checked(extras.cover.data);
    if (!cover.isEmpty())
        header.setAttribute(QStringLiteral("WM/Picture"),
                            AsfAttribute::fromFrontCover(cover.data, cover.mimeType));
    return header.write(source, destination);
}

bool WriteWmaTag(const QString& fileName, const WmaTag& tag, const TagExtras& extras) {
    TagFileRewrite rewrite(fileName);
    return rewrite.open() &&
           WriteWmaTagTo(rewrite.original(), rewrite.replacement(), tag, extras) &&
           rewrite.commit();
}
