#include "fuzzfile.h"
#include "fuzzinput.h"
#include "tags/flacpicture.h"
#include "tags/flactag.h"
#include "tags/tagerror.h"
#include "tags/vorbiscomments.h"

// Reads the metadata blocks, the comments and the pictures, then writes new
// tags into the bytes as a file: in place when they fit, through a rewrite
// with a cover that does not. All of it must cope with any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    QString error;
    const std::optional<FlacMetadata> metadata = FlacMetadata::read(input, &error);
    if (metadata) {
        for (const FlacMetadata::Block& block : metadata->blocks) {
            QByteArray vendor;
            QList<QByteArray> comments;
            if (block.type == FlacMetadata::VorbisComment &&
                VorbisComments::parse(block.body, 0, vendor, comments))
                VorbisComments::tagFrom(comments);
            else if (block.type == FlacMetadata::Picture)
                FlacPicture::parse(block.body);
        }
    }
    const QString path = fuzzFile("fuzz.flac", data, size);
    OGGTag tag;
    tag.title = QStringLiteral("T\u00eftle");
    TagExtras extras;
    extras.gain.trackGain = -6.5;
    if (size % 2)
        extras.cover = {QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)) +
                            QByteArray(9000, 'x'),
                        QStringLiteral("image/png")};
    try {
        writeFlacTag(path, tag, extras);
        readFlacTag(path);
    } catch (const TagError&) {
    }
    return 0;
}
