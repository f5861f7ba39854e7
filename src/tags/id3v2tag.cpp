#include "tags/id3v2tag.h"

#include "tags/coverart.h"
#include "tags/replaygaintags.h"
#include "tags/tagerror.h"
#include "tags/tagfilerewrite.h"
#include "values/tagtext.h"

#include <algorithm>
#include <array>
#include <QBuffer>
#include <QFile>

bool ID3StructV2::operator==(const ID3StructV2& other) const {
    return title == other.title && artist == other.artist && album == other.album &&
           year == other.year && track == other.track && comment == other.comment &&
           genre == other.genre;
}

namespace {

// Room for one value in a written frame: 256 bytes less the terminating zero
// that older readers of our tags look for.
constexpr int kValueBytes = 255;
// How much of a frame's data the reader decodes.
constexpr int kFrameDataRead = 250;
// How much of a frame is fetched before its flags' extra bytes are removed.
constexpr int kFrameFetch = 4096;

enum Encoding : char { Latin1 = 0, Utf16Bom = 1, Utf16BE = 2, Utf8 = 3 };

struct Frame {
    const char* id;
    QString ID3StructV2::*value;
};

// The writer's frames, in the order they are written.
const std::array<Frame, 7> kFrames{{{"TIT2", &ID3StructV2::title},
                                    {"TPE1", &ID3StructV2::artist},
                                    {"TALB", &ID3StructV2::album},
                                    {"TRCK", &ID3StructV2::track},
                                    {"TYER", &ID3StructV2::year},
                                    {"TCON", &ID3StructV2::genre},
                                    {"COMM", &ID3StructV2::comment}}};

void appendBigEndian32(QByteArray& out, quint32 value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((value >> shift) & 0xFF));
}

quint32 bigEndian(const QByteArray& bytes, int offset, int count) {
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | static_cast<quint8>(bytes.at(offset + i));
    return value;
}

// A syncsafe number (7 bits a byte); false when a byte has its top bit set.
bool syncsafe(const QByteArray& bytes, int offset, quint32& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto b = static_cast<quint8>(bytes.at(offset + i));
        if (b & 0x80)
            return false;
        value = (value << 7) | b;
    }
    return true;
}

struct EncodedValue {
    char encoding;
    QByteArray bytes;
};

EncodedValue encodeValue(const QString& value) {
    const QString head = value.left(kValueBytes);
    if (std::all_of(head.begin(), head.end(), [](QChar c) { return c.unicode() <= 0xFF; }))
        return {Latin1, head.toLatin1()};
    const QString cut = TagText::cutToUtf16Units(value, (kValueBytes - 2) / 2);
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : cut) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return {Utf16Bom, bytes};
}

QByteArray readAt(QIODevice& device, qint64 position, qint64 count) {
    if (count <= 0 || !device.seek(position))
        return {};
    return device.read(count);
}

QByteArray resynchronised(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size());
    for (int i = 0; i < data.size(); ++i) {
        out.append(data.at(i));
        if (static_cast<quint8>(data.at(i)) == 0xFF && i + 1 < data.size() && data.at(i + 1) == 0)
            ++i;
    }
    return out;
}

// Index just past the terminator of the text starting at 'from', or -1.
int terminatorEnd(char encoding, const QByteArray& data, int from) {
    if (encoding == Utf16Bom || encoding == Utf16BE) {
        for (int i = from; i + 1 < data.size(); i += 2)
            if (data.at(i) == 0 && data.at(i + 1) == 0)
                return i + 2;
        return -1;
    }
    const int zero = data.indexOf('\0', from);
    return zero < 0 ? -1 : zero + 1;
}

QString decodeUtf16(const QByteArray& data, bool bigEndian) {
    int start = 0;
    if (data.size() >= 2) {
        const auto b0 = static_cast<quint8>(data.at(0));
        const auto b1 = static_cast<quint8>(data.at(1));
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian = false;
            start = 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bigEndian = true;
            start = 2;
        }
    }
    QString text;
    for (int i = start; i + 1 < data.size(); i += 2) {
        const auto lo = static_cast<quint8>(data.at(bigEndian ? i + 1 : i));
        const auto hi = static_cast<quint8>(data.at(bigEndian ? i : i + 1));
        text.append(QChar(static_cast<char16_t>((hi << 8) | lo)));
    }
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    return text;
}

// Drops a UTF-8 sequence that the read limit cut short.
QByteArray withoutBrokenUtf8Tail(const QByteArray& data) {
    int back = 0;
    while (back < 3 && back < data.size() &&
           (static_cast<quint8>(data.at(data.size() - 1 - back)) & 0xC0) == 0x80)
        ++back;
    if (back == data.size())
        return data;
    const auto lead = static_cast<quint8>(data.at(data.size() - 1 - back));
    int need = 1;
    if ((lead & 0xE0) == 0xC0)
        need = 2;
    else if ((lead & 0xF0) == 0xE0)
        need = 3;
    else if ((lead & 0xF8) == 0xF0)
        need = 4;
    return need > back + 1 ? data.left(data.size() - 1 - back) : data;
}

// The text at 'from' up to its terminator or the end of the data.
QString decodeText(char encoding, const QByteArray& data, int from) {
    const int end = terminatorEnd(encoding, data, from);
    const QByteArray bytes = data.mid(
        from, end < 0 ? -1 : end - from - (encoding == Utf16Bom || encoding == Utf16BE ? 2 : 1));
    switch (encoding) {
    case Latin1:
        return QString::fromLatin1(bytes);
    case Utf16Bom:
        return decodeUtf16(bytes, false);
    case Utf16BE:
        return decodeUtf16(bytes, true);
    case Utf8:
        return QString::fromUtf8(withoutBrokenUtf8Tail(bytes));
    default:
        return {};
    }
}

struct FrameValue {
    QString ID3StructV2::*field = nullptr;
    bool comment = false;
};

FrameValue fieldOf(const QByteArray& id) {
    static const std::array<std::pair<const char*, FrameValue>, 15> table{{
        {"TIT2", {&ID3StructV2::title}},
        {"TT2", {&ID3StructV2::title}},
        {"TPE1", {&ID3StructV2::artist}},
        {"TP1", {&ID3StructV2::artist}},
        {"TALB", {&ID3StructV2::album}},
        {"TAL", {&ID3StructV2::album}},
        {"TRCK", {&ID3StructV2::track}},
        {"TRK", {&ID3StructV2::track}},
        {"TYER", {&ID3StructV2::year}},
        {"TDRC", {&ID3StructV2::year}},
        {"TYE", {&ID3StructV2::year}},
        {"TCON", {&ID3StructV2::genre}},
        {"TCO", {&ID3StructV2::genre}},
        {"COMM", {&ID3StructV2::comment, true}},
        {"COM", {&ID3StructV2::comment, true}},
    }};
    for (const auto& entry : table)
        if (id == entry.first)
            return entry.second;
    return {};
}

// Undoes what a frame's flags did to its data; false for data that cannot be
// read as text (compressed or encrypted).
bool unwrapFrameData(int major, quint8 formatFlags, bool unsynchronised, QByteArray& data) {
    if (major == 3) {
        if (formatFlags & 0xC0)
            return false;
        if (formatFlags & 0x20)
            data.remove(0, 1);
        return true;
    }
    if (major == 4) {
        if (formatFlags & 0x0C)
            return false;
        if (unsynchronised || (formatFlags & 0x02))
            data = resynchronised(data);
        if (formatFlags & 0x40)
            data.remove(0, 1);
        if (formatFlags & 0x01)
            data.remove(0, 4);
    }
    return true;
}

class FrameParser {
public:
    FrameParser(QIODevice& device, int major) : m_device(device), m_major(major) {}

    ID3StructV2 parse(qint64 position, qint64 end, bool hasExtendedHeader, bool unsynchronised) {
        if (hasExtendedHeader && !skipExtendedHeader(position, end))
            return {};
        const int headerSize = m_major == 2 ? 6 : 10;
        while (position + headerSize <= end) {
            const QByteArray header = readAt(m_device, position, headerSize);
            if (header.size() != headerSize || header.at(0) == 0)
                break;
            const QByteArray id = header.left(m_major == 2 ? 3 : 4);
            if (!std::all_of(id.begin(), id.end(), [](char c) {
                    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
                }))
                break;
            quint32 size = 0;
            if (m_major == 2)
                size = bigEndian(header, 3, 3);
            else if (m_major == 3)
                size = bigEndian(header, 4, 4);
            else if (!syncsafe(header, 4, size))
                break;
            position += headerSize;
            if (size > static_cast<quint64>(end - position))
                break;
            const FrameValue target = fieldOf(id);
            if (target.field) {
                QByteArray data = readAt(m_device, position, std::min<qint64>(size, kFrameFetch));
                if (data.size() != static_cast<int>(std::min<qint64>(size, kFrameFetch)))
                    break;
                const quint8 flags = m_major == 2 ? 0 : static_cast<quint8>(header.at(9));
                if (unwrapFrameData(m_major, flags, unsynchronised, data))
                    take(target, data.left(kFrameDataRead));
            }
            position += size;
        }
        return m_values;
    }

private:
    bool skipExtendedHeader(qint64& position, qint64 end) {
        const QByteArray sizeBytes = readAt(m_device, position, 4);
        if (sizeBytes.size() != 4)
            return false;
        quint32 size = 0;
        if (m_major == 4) {
            if (!syncsafe(sizeBytes, 0, size) || size < 6)
                return false;
        } else {
            size = bigEndian(sizeBytes, 0, 4) + 4;
        }
        if (size > static_cast<quint64>(end - position))
            return false;
        position += size;
        return true;
    }

    void take(const FrameValue& target, const QByteArray& data) {
        if (data.isEmpty())
            return;
        const char encoding = data.at(0);
        if (!target.comment) {
            m_values.*target.field = decodeText(encoding, data, 1);
            return;
        }
        // Encoding, language, a described-by text with its terminator, the comment.
        if (data.size() < 4)
            return;
        const int descriptionEnd = terminatorEnd(encoding, data, 4);
        if (descriptionEnd < 0)
            return;
        // Comments with a description (player data such as loudness notes) give
        // way to the plain comment a user wrote.
        const int rank = TagText::trimmed(decodeText(encoding, data, 4)).isEmpty() ? 2 : 1;
        if (rank < m_commentRank)
            return;
        m_commentRank = rank;
        m_values.comment = decodeText(encoding, data, descriptionEnd);
    }

    QIODevice& m_device;
    int m_major;
    ID3StructV2 m_values;
    int m_commentRank = 0;
};

ID3StructV2 trimmed(ID3StructV2 values) {
    for (const Frame& frame : kFrames)
        values.*frame.value = TagText::trimmed(values.*frame.value);
    return values;
}

struct TagHeader {
    int major = 0;
    quint8 flags = 0;
    quint32 size = 0;
};

// The ID3v2 header at 'position'; false when there is none or it is damaged.
bool readTagHeader(QIODevice& device, qint64 position, TagHeader& header, bool& present) {
    const QByteArray bytes = readAt(device, position, 10);
    present = bytes.size() == 10 && bytes.startsWith("ID3");
    if (!present)
        return false;
    header.major = static_cast<quint8>(bytes.at(3));
    header.flags = static_cast<quint8>(bytes.at(5));
    return header.major >= 2 && header.major <= 4 && syncsafe(bytes, 6, header.size);
}

bool looksLikeMpegAudio(QIODevice& device, qint64 position) {
    const qint64 size = device.size();
    if (position == size)
        return true; // no audio yet, as after a job stopped at once
    const QByteArray h = readAt(device, position, 4);
    if (h.size() != 4)
        return false;
    const auto b1 = static_cast<quint8>(h.at(1));
    const auto b2 = static_cast<quint8>(h.at(2));
    return static_cast<quint8>(h.at(0)) == 0xFF && (b1 & 0xE0) == 0xE0 && ((b1 >> 3) & 3) != 1 &&
           ((b1 >> 1) & 3) != 0 && (b2 >> 4) != 15 && ((b2 >> 2) & 3) != 3;
}

} // namespace

QByteArray buildID3v2Tag(const ID3StructV2& tag, const TagExtras& extras) {
    QByteArray frames;
    // ID3v2.3 frame sizes are plain 32-bit numbers; only the tag's is syncsafe.
    const auto appendFrame = [&frames](const char* id, const QByteArray& body) {
        frames.append(id, 4);
        appendBigEndian32(frames, static_cast<quint32>(body.size()));
        frames.append(2, '\0');
        frames.append(body);
    };
    for (const Frame& frame : kFrames) {
        const EncodedValue value = encodeValue(tag.*frame.value);
        const bool comment = qstrcmp(frame.id, "COMM") == 0;
        QByteArray body(1, value.encoding);
        if (comment) {
            body.append("eng", 3);
            body.append(value.encoding == Utf16Bom ? QByteArray("\xFF\xFE\0\0", 4)
                                                   : QByteArray(1, '\0'));
        }
        body.append(value.bytes);
        appendFrame(frame.id, body);
    }
    // Names and values are ASCII: ISO-8859-1, the description ended by a zero.
    for (const auto& [name, value] : replayGainTags(extras.gain))
        appendFrame("TXXX", QByteArray(1, Latin1) + name.toLatin1() + '\0' + value.toLatin1());
    // An ISRC and a barcode are letters and digits.
    if (!extras.isrc.isEmpty())
        appendFrame("TSRC", QByteArray(1, Latin1) + extras.isrc.toLatin1());
    if (!extras.barcode.isEmpty())
        appendFrame("TXXX", QByteArray(1, Latin1) + "BARCODE" + '\0' + extras.barcode.toLatin1());
    const CoverArt cover = CoverCheck::checked(extras.cover.data);
    if (!cover.isEmpty()) {
        // Encoding, MIME type, picture type 3 (front cover), an empty description.
        QByteArray body(1, Latin1);
        body.append(cover.mimeType.toLatin1());
        body.append('\0');
        body.append('\x03');
        body.append('\0');
        body.append(cover.data);
        appendFrame("APIC", body);
    }
    frames.append(10, '\0');

    QByteArray tag3("ID3\x03\x00\x00", 6);
    const auto size = static_cast<quint32>(frames.size());
    for (int shift = 21; shift >= 0; shift -= 7)
        tag3.append(static_cast<char>((size >> shift) & 0x7F));
    return tag3 + frames;
}

bool writeID3v2TagTo(QIODevice& source, QIODevice& destination, const ID3StructV2& tag,
                     const TagExtras& extras) {
    // Tags that earlier writes stacked at the start all give way to the new one.
    qint64 audioStart = 0;
    for (;;) {
        TagHeader header;
        bool present = false;
        if (!readTagHeader(source, audioStart, header, present)) {
            if (present)
                return false;
            break;
        }
        const bool footer = header.major == 4 && (header.flags & 0x10);
        audioStart += 10 + qint64(header.size) + (footer ? 10 : 0);
        if (audioStart > source.size())
            return false;
    }
    if (!looksLikeMpegAudio(source, audioStart))
        return false;

    const QByteArray tagBytes = buildID3v2Tag(tag, extras);
    return destination.write(tagBytes) == tagBytes.size() &&
           copyToEnd(source, audioStart, destination);
}

bool writeID3v2Tag(const QString& fileName, const ID3StructV2& tag, const TagExtras& extras) {
    TagFileRewrite rewrite(fileName);
    if (!rewrite.open())
        throw TagError(QStringLiteral("Cannot open file %1").arg(fileName));
    if (!writeID3v2TagTo(rewrite.original(), rewrite.replacement(), tag, extras))
        return false;
    return rewrite.commit();
}

ID3StructV2 readID3v2TagFrom(QIODevice& device) {
    TagHeader header;
    bool present = false;
    if (!readTagHeader(device, 0, header, present))
        return {};
    const qint64 end = 10 + qint64(header.size);
    if (end > device.size())
        return {};
    const bool extended = header.major > 2 && (header.flags & 0x40);
    if (header.major == 2 && (header.flags & 0x40))
        return {}; // an ID3v2.2 tag compressed as a whole
    const bool unsynchronised = header.flags & 0x80;
    if (unsynchronised && header.major < 4) {
        // Before ID3v2.4 the whole tag is unsynchronised, frame headers included.
        QByteArray body = resynchronised(readAt(device, 10, header.size));
        QBuffer buffer(&body);
        buffer.open(QIODevice::ReadOnly);
        return trimmed(FrameParser(buffer, header.major).parse(0, body.size(), extended, false));
    }
    return trimmed(FrameParser(device, header.major).parse(10, end, extended, unsynchronised));
}

ID3StructV2 readID3v2Tag(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readID3v2TagFrom(file);
}
