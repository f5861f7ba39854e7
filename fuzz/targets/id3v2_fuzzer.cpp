#include "fuzzinput.h"
#include "tags/id3v2tag.h"

// Reads the tag, then rewrites the input with it: both must cope with any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    ID3StructV2 tag = ReadID3v2TagFrom(input);
    tag.Title += QStringLiteral("\u00e9\u4e2d");
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    WriteID3v2TagTo(input, output, tag);
    return 0;
}
