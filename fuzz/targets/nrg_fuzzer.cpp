#include "fuzzdisc.h"

// Any Nero .nrg image a disc-image drive names, its chunk table included.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDiscImage("disc.nrg", data, size);
    return 0;
}
