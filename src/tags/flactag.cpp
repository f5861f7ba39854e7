#include "tags/flactag.h"

#include "tags/flacpicture.h"
#include "tags/tagerror.h"
#include "tags/tagfilerewrite.h"
#include "tags/vorbiscomments.h"

#include <QtEndian>
#include <unistd.h>

namespace {

constexpr int HeaderBytes = 4;
constexpr quint32 MaxBlockLength = 0xFFFFFF;
// More metadata than this is not a tag Orvelle could have written or should read.
constexpr qint64 MaxMetadataBytes = 64 << 20;
// Room a rewritten file leaves for later tags, as the FLAC writer does.
constexpr quint32 FreshPadding = 8192;
const QByteArray Marker("fLaC");
const QByteArray Vendor("Orvelle");

// An ID3v2 tag some programs put before "fLaC": its size, or 0 when there is none.
qint64 id3PrefixSize(QIODevice& device) {
    const QByteArray head = device.peek(10);
    if (head.size() < 10 || !head.startsWith("ID3"))
        return 0;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i) {
        if (quint8(head[i]) & 0x80)
            return 0;
        size = (size << 7) | quint8(head[i]);
    }
    const bool footer = quint8(head[5]) & 0x10;
    return 10 + size + (footer ? 10 : 0);
}

QByteArray header(int type, bool last, quint32 length) {
    char bytes[HeaderBytes];
    qToBigEndian<quint32>((last ? 0x80000000u : 0u) | quint32(type) << 24 | length, bytes);
    return QByteArray(bytes, HeaderBytes);
}

QString cannotOpen(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot open %1: %2").arg(fileName, reason);
}

QString cannotWrite(const QString& reason) {
    return QStringLiteral("Cannot write the tags: %1").arg(reason);
}

// The new blocks, padding left out: STREAMINFO and what the file keeps in
// their order, then the comments and the cover.
QList<FlacMetadata::Block> newBlocks(const FlacMetadata& old, const OGGTag& tag,
                                     const TagExtras& extras) {
    QList<FlacMetadata::Block> blocks;
    QByteArray vendor = Vendor;
    QList<QByteArray> speakers; // the channel layout is the sound's, not a tag to replace
    for (const FlacMetadata::Block& block : old.blocks) {
        if (block.type == FlacMetadata::Padding)
            continue;
        if (block.type == FlacMetadata::VorbisComment) {
            QList<QByteArray> oldComments;
            QByteArray kept;
            if (VorbisComments::parse(block.body, 0, kept, oldComments))
                vendor = kept;
            for (const QByteArray& comment : oldComments)
                if (comment.toUpper().startsWith("WAVEFORMATEXTENSIBLE_CHANNEL_MASK="))
                    speakers << comment;
            continue;
        }
        if (block.type == FlacMetadata::CueSheet && !extras.cueSheetBlock.isEmpty())
            continue;
        if (block.type == FlacMetadata::Picture && !extras.cover.isEmpty()) {
            const auto picture = FlacPicture::parse(block.body);
            if (!picture || picture->type == FlacPicture::FrontCover)
                continue;
        }
        blocks << block;
    }
    const QList<QByteArray> comments =
        VorbisComments::build(tag, extras, VorbisComments::Flavour::Vorbis, false) + speakers;
    blocks << FlacMetadata::Block{FlacMetadata::VorbisComment,
                                  VorbisComments::block(vendor, comments), 0};
    if (!extras.cueSheetBlock.isEmpty())
        blocks << FlacMetadata::Block{FlacMetadata::CueSheet, extras.cueSheetBlock, 0};
    if (!extras.cover.isEmpty())
        blocks << FlacMetadata::Block{FlacMetadata::Picture, FlacPicture::block(extras.cover), 0};
    for (FlacMetadata::Block& block : blocks) {
        if (block.body.size() > qsizetype(MaxBlockLength))
            throw TagError(cannotWrite(QStringLiteral("a block is larger than FLAC allows")));
        block.length = quint32(block.body.size());
    }
    return blocks;
}

// The blocks and a padding block of `padding` bytes that ends the metadata.
QByteArray metadataBytes(const QList<FlacMetadata::Block>& blocks, quint32 padding) {
    QByteArray out;
    for (const FlacMetadata::Block& block : blocks) {
        out += header(block.type, false, block.length);
        out += block.body;
    }
    out += header(FlacMetadata::Padding, true, padding);
    out += QByteArray(qsizetype(padding), '\0');
    return out;
}

bool writeInPlace(QFile& file, qint64 at, const QByteArray& bytes) {
    return file.seek(at) && file.write(bytes) == bytes.size() && file.flush() &&
           ::fsync(file.handle()) == 0;
}

} // namespace

const FlacMetadata::Block* FlacMetadata::find(int type) const {
    for (const Block& block : blocks)
        if (block.type == type)
            return &block;
    return nullptr;
}

std::optional<FlacMetadata> FlacMetadata::read(QIODevice& device, QString* error) {
    const auto fail = [&](const char* why) -> std::optional<FlacMetadata> {
        *error = QString::fromLatin1(why);
        return std::nullopt;
    };
    FlacMetadata metadata;
    metadata.start = id3PrefixSize(device);
    if (!device.seek(metadata.start) || device.read(Marker.size()) != Marker)
        return fail("The file is not a FLAC stream");
    qint64 at = metadata.start + Marker.size();
    for (bool last = false; !last;) {
        const QByteArray head = device.read(HeaderBytes);
        if (head.size() < HeaderBytes)
            return fail("The file ends inside its metadata");
        const quint32 word = qFromBigEndian<quint32>(head.constData());
        last = word & 0x80000000u;
        Block block;
        block.type = int((word >> 24) & 0x7F);
        block.length = word & MaxBlockLength;
        if (block.type == 127)
            return fail("The file holds a damaged metadata block");
        if (metadata.blocks.isEmpty() != (block.type == StreamInfo))
            return fail("The file's metadata does not start with its stream information");
        at += HeaderBytes + block.length;
        if (at - metadata.start > MaxMetadataBytes)
            return fail("The file's metadata is too large");
        if (!device.isSequential() && at > device.size())
            return fail("The file ends inside its metadata");
        if (block.type == Padding) {
            if (!device.seek(at))
                return fail("The file ends inside its metadata");
        } else {
            block.body = device.read(block.length);
            if (block.body.size() != qsizetype(block.length))
                return fail("The file ends inside its metadata");
        }
        metadata.blocks << block;
    }
    metadata.audioOffset = at;
    return metadata;
}

void writeFlacTag(const QString& fileName, const OGGTag& tag, const TagExtras& extras) {
    TagFileRewrite rewrite(fileName);
    if (!rewrite.openFile())
        throw TagError(cannotOpen(fileName, rewrite.errorString()));
    QFile& file = rewrite.original();
    QString error;
    const std::optional<FlacMetadata> old = FlacMetadata::read(file, &error);
    if (!old)
        throw TagError(cannotOpen(fileName, error));
    const QList<FlacMetadata::Block> blocks = newBlocks(*old, tag, extras);
    // The old blocks' room, less a padding block's header.
    qint64 room = old->audioOffset - old->start - Marker.size() - HeaderBytes;
    for (const FlacMetadata::Block& block : blocks)
        room -= HeaderBytes + qint64(block.length);
    if (room >= 0 && room <= qint64(MaxBlockLength)) {
        if (!writeInPlace(file, old->start + Marker.size(), metadataBytes(blocks, quint32(room))))
            throw TagError(cannotWrite(file.errorString()));
        return;
    }
    // The blocks grew past the padding: the audio moves into a new file.
    if (!rewrite.createReplacement())
        throw TagError(cannotOpen(fileName, rewrite.errorString()));
    QIODevice& out = rewrite.replacement();
    const QByteArray prefix = file.seek(0) ? file.read(old->start) : QByteArray();
    const QByteArray metadata = Marker + metadataBytes(blocks, FreshPadding);
    if (prefix.size() != old->start || out.write(prefix) != prefix.size() ||
        out.write(metadata) != metadata.size() || !copyToEnd(file, old->audioOffset, out))
        throw TagError(cannotWrite(out.errorString()));
    if (!rewrite.commit())
        throw TagError(cannotWrite(rewrite.errorString()));
}

OGGTag readFlacTag(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TagError(cannotOpen(fileName, file.errorString()));
    QString error;
    const std::optional<FlacMetadata> metadata = FlacMetadata::read(file, &error);
    const FlacMetadata::Block* block =
        metadata ? metadata->find(FlacMetadata::VorbisComment) : nullptr;
    QByteArray vendor;
    QList<QByteArray> comments;
    if (!block || !VorbisComments::parse(block->body, 0, vendor, comments))
        return {};
    return VorbisComments::tagFrom(comments);
}
