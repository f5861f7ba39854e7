#pragma once

#include <QtGlobal>
#include <vector>

struct SwrContext;

// Converts interleaved signed 16-bit PCM to another rate and channel count
// (mixing down without clipping, or copying mono to both channels).
class PcmResampler {
public:
    // Raises ComponentError when the conversion cannot be set up.
    PcmResampler(int inRate, int inChannels, int outRate, int outChannels);
    ~PcmResampler();
    PcmResampler(const PcmResampler&) = delete;
    PcmResampler& operator=(const PcmResampler&) = delete;

    int outChannels() const { return m_outChannels; }
    // The converted samples of `frames` input frames; valid until the next call.
    const std::vector<qint16>& convert(const qint16* samples, int frames);
    // What the filter still holds at the end of the sound.
    const std::vector<qint16>& flush();

private:
    SwrContext* m_swr = nullptr;
    int m_outChannels;
    std::vector<qint16> m_out;
};
