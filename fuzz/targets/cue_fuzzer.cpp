#include "fuzzdisc.h"

// Any cue sheet a disc-image drive names.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDiscImage("disc.cue", data, size);
    return 0;
}
