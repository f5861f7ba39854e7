#pragma once

#include "values/pcmformat.h"

#include <vector>

struct SwrContext;
extern "C" {
#include <libavutil/samplefmt.h>
}

// FFmpeg's interleaved sample format for Orvelle's sample type.
AVSampleFormat sampleFormatOf(SampleType type);

// Converts interleaved PCM to another rate, channel count (mixing down
// without clipping, or copying mono to both channels) and sample type.
class PcmResampler {
public:
    // Raises ComponentError when the conversion cannot be set up.
    PcmResampler(const PcmFormat& in, const PcmFormat& out);
    ~PcmResampler();
    PcmResampler(const PcmResampler&) = delete;
    PcmResampler& operator=(const PcmResampler&) = delete;

    struct Block {
        const void* samples;
        int frames;
    };
    const PcmFormat& outFormat() const { return m_out; }
    // The converted frames of `frames` input frames; valid until the next call.
    Block convert(const void* samples, int frames);
    // What the filter still holds at the end of the sound.
    Block flush();

private:
    SwrContext* m_swr = nullptr;
    PcmFormat m_out;
    std::vector<unsigned char> m_buffer;
};
