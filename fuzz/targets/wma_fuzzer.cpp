#include "fuzzinput.h"
#include "tags/wmatag.h"

// Reads the attributes, then rewrites the input with them: both must cope with any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    WmaTag tag = ReadWmaTagFrom(input);
    tag.Genre += QStringLiteral("\u00e9");
    tag.Track = 3;
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    WriteWmaTagTo(input, output, tag);
    return 0;
}
