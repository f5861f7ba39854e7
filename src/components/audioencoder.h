#pragma once

#include "values/pcmformat.h"

// One output file being encoded. It takes interleaved PCM in its own layout
// (format()); the output writer converts to it.
class AudioEncoder {
public:
    virtual ~AudioEncoder() = default;

    virtual PcmFormat format() const = 0;
    // Samples of format()'s type: qint16, qint32 or float.
    virtual void write(const void* samples, int frames) = 0;
    // Flushes the encoder and completes the file; raises when that fails.
    virtual void finish() = 0;
};
