#include "fuzzinput.h"
#include "tags/oggcommenteditor.h"
#include "tags/oggtag.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

namespace {

// Gives every whole page in the bytes a correct checksum, so that mutations
// reach the parsing behind libogg's CRC check instead of stopping at it.
QByteArray withPageChecksums(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    auto* raw = reinterpret_cast<unsigned char*>(bytes.data());
    qsizetype offset = bytes.indexOf("OggS");
    while (offset >= 0 && bytes.size() - offset >= 27) {
        const int segments = raw[offset + 26];
        qsizetype bodyLength = 0;
        if (bytes.size() - offset < 27 + segments)
            break;
        for (int i = 0; i < segments; ++i)
            bodyLength += raw[offset + 27 + i];
        const qsizetype headerLength = 27 + segments;
        if (bytes.size() - offset - headerLength < bodyLength)
            break;
        ogg_page page{raw + offset, long(headerLength), raw + offset + headerLength,
                      long(bodyLength)};
        ogg_page_checksum_set(&page);
        offset = bytes.indexOf("OggS", offset + headerLength + bodyLength);
    }
    return bytes;
}

void readAndRewrite(const uint8_t* data, size_t size) {
    {
        FuzzInput input(data, size);
        readOggTagFrom(input);
    }
    FuzzInput input(data, size);
    OggCommentEditor editor;
    if (!editor.open(input) || !editor.rewritable())
        return;
    vorbis_comment_clear(editor.comments());
    vorbis_comment_add(editor.comments(), "Title=fuzz");
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    editor.write(output);
}

} // namespace

// Reads the comments, then rewrites the input with new ones: both must cope
// with any bytes, with their page checksums as given and made right.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readAndRewrite(data, size);
    const QByteArray fixed = withPageChecksums(data, size);
    readAndRewrite(reinterpret_cast<const uint8_t*>(fixed.constData()), size_t(fixed.size()));
    return 0;
}
