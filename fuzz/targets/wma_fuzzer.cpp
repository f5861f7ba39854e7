#include "fuzzinput.h"
#include "tags/wmatag.h"

// Reads the attributes and the picture, then rewrites the input with them and
// a cover too large for the Extended Content Description: all must cope with any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    WmaTag tag = readWmaTagFrom(input);
    readWmaPictureFrom(input);
    tag.genre += QStringLiteral("\u00e9");
    tag.track = 3;
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    static const TagExtras extras{{QByteArray("\xFF\xD8\xFF", 3) + QByteArray(0x10000, 'x'), {}},
                                  {-6.5, 0.9, std::nullopt, 1.0}};
    writeWmaTagTo(input, output, tag, extras);
    return 0;
}
