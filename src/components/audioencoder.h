#pragma once

#include <QtGlobal>

// One output file being encoded. It takes interleaved signed 16-bit PCM in
// its own layout (sampleRate(), channels()); the output writer converts to it.
class AudioEncoder {
public:
    virtual ~AudioEncoder() = default;

    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    virtual void write(const qint16* samples, int frames) = 0;
    // Flushes the encoder and completes the file; raises when that fails.
    virtual void finish() = 0;
};
