#include "fuzzdisc.h"

// Any cdrdao .toc sheet a disc-image drive names.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDiscImage("disc.toc", data, size);
    return 0;
}
