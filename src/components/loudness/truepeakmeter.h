#pragma once

#include <QtGlobal>
#include <vector>

// The highest point a player's reconstruction of the wave reaches, between
// the samples as well as on them: the sound oversampled four times (twice
// from 96 kHz, not at all from 192 kHz) through a 49-tap Hann-windowed sinc,
// as loudness meters measure true peak. The interpolation runs in single
// precision, eight samples at once, which is far more than exact enough for
// a value written with six decimals.
class TruePeakMeter {
public:
    TruePeakMeter(int sampleRate, int channels);

    // Interleaved PCM in the meter's channel count: signed 16-bit, 32-bit at
    // full scale, or floats.
    void add(const qint16* samples, qint64 frames);
    void add(const qint32* samples, qint64 frames);
    void add(const float* samples, qint64 frames);

    // The highest of any channel, 1.0 being full scale; never below the
    // highest sample.
    double peak() const { return m_peak; }

private:
    template <typename Sample> void addSamples(const Sample* samples, qint64 frames, float scale);

    int m_channels;
    // Per point between two samples, the taps applied to the newest sample
    // and the ones before it: (factor - 1) rows of m_taps each.
    std::vector<float> m_phases;
    int m_taps = 0;
    // Per channel, the m_taps - 1 samples before a block, then the block.
    std::vector<std::vector<float>> m_lines;
    float m_peak = 0;
};
