#include "fuzzinput.h"
#include "tags/id3v2tag.h"

// Reads the tag, then rewrites the input with it: both must cope with any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    ID3StructV2 tag = readID3v2TagFrom(input);
    tag.title += QStringLiteral("\u00e9\u4e2d");
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    static const TagExtras extras{{QByteArray("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16), {}},
                                  {-6.5, 0.9, 2.0, 1.0}};
    writeID3v2TagTo(input, output, tag, extras);
    return 0;
}
