#include "components/loudness/truepeakmeter.h"

#include "components/loudness/simdclones.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int FilterLength = 49;
constexpr int BlockFrames = 4096; // a channel's block fits the first-level cache

using Floats = float __attribute__((vector_size(32)));

// The highest magnitude of the block's samples and of the points between
// them, eight outputs at a time; x[-Taps + 1] .. x[-1] are the samples before.
template <int Taps>
inline __attribute__((always_inline)) float blockPeakOf(const float* x, int frames,
                                                        const float* phases, int phaseCount) {
    Floats high = {};
    int n = 0;
    // Written out rather than in helpers: a function may not return eight
    // floats in one register where the caller was built without AVX.
    for (; n + 8 <= frames; n += 8) {
        Floats here;
        std::memcpy(&here, x + n, sizeof here);
        here = here < 0 ? -here : here;
        high = here > high ? here : high;
        for (int p = 0; p < phaseCount; ++p) {
            const float* taps = phases + p * Taps;
            Floats sum = {};
            for (int k = 0; k < Taps; ++k) {
                Floats earlier;
                std::memcpy(&earlier, x + n - k, sizeof earlier);
                sum += taps[k] * earlier;
            }
            sum = sum < 0 ? -sum : sum;
            high = sum > high ? sum : high;
        }
    }
    float peak = 0;
    for (int lane = 0; lane < 8; ++lane)
        peak = std::max(peak, high[lane]);
    for (; n < frames; ++n) {
        peak = std::max(peak, std::fabs(x[n]));
        for (int p = 0; p < phaseCount; ++p) {
            float sum = 0;
            for (int k = 0; k < Taps; ++k)
                sum += phases[p * Taps + k] * x[n - k];
            peak = std::max(peak, std::fabs(sum));
        }
    }
    return peak;
}

ORVELLE_SIMD_CLONES float blockPeak(const float* x, int frames, const float* phases, int phaseCount,
                                    int taps) {
    switch (taps) {
    case 12:
        return blockPeakOf<12>(x, frames, phases, phaseCount);
    case 24:
        return blockPeakOf<24>(x, frames, phases, phaseCount);
    default:
        return blockPeakOf<0>(x, frames, phases, 0);
    }
}

} // namespace

TruePeakMeter::TruePeakMeter(int sampleRate, int channels)
    : m_channels(channels), m_lines(std::size_t(std::max(channels, 0))) {
    const int factor = sampleRate < 96000 ? 4 : sampleRate < 192000 ? 2 : 1;
    if (factor > 1) {
        // Phase 0 of the windowed sinc is the sample itself; the others
        // interpolate between it and the one after.
        m_taps = (FilterLength - 1) / factor;
        for (int phase = 1; phase < factor; ++phase)
            for (int k = 0; k < m_taps; ++k) {
                const int j = k * factor + phase;
                const double m = j - (FilterLength - 1) / 2.0;
                const double sinc = std::sin(M_PI * m / factor) / (M_PI * m / factor);
                const double hann = 0.5 * (1 - std::cos(2 * M_PI * j / (FilterLength - 1)));
                m_phases.push_back(float(sinc * hann));
            }
    }
    for (std::vector<float>& line : m_lines)
        line.assign(std::size_t(std::max(m_taps - 1, 0)), 0.0f);
}

void TruePeakMeter::add(const qint16* samples, qint64 frames) {
    addSamples(samples, frames, 1.0f / 32768);
}

void TruePeakMeter::add(const qint32* samples, qint64 frames) {
    addSamples(samples, frames, 1.0f / 2147483648.0f);
}

void TruePeakMeter::add(const float* samples, qint64 frames) {
    addSamples(samples, frames, 1.0f);
}

template <typename Sample>
void TruePeakMeter::addSamples(const Sample* samples, qint64 frames, float scale) {
    const int history = std::max(m_taps - 1, 0);
    const int phaseCount = m_taps > 0 ? int(m_phases.size()) / m_taps : 0;
    for (qint64 start = 0; start < frames; start += BlockFrames) {
        const int block = int(std::min<qint64>(BlockFrames, frames - start));
        for (int channel = 0; channel < m_channels; ++channel) {
            std::vector<float>& line = m_lines[std::size_t(channel)];
            line.resize(std::size_t(history + block));
            const Sample* in = samples + start * m_channels + channel;
            for (int i = 0; i < block; ++i)
                line[std::size_t(history + i)] = float(in[qint64(i) * m_channels]) * scale;
            m_peak = std::max(m_peak, blockPeak(line.data() + history, block, m_phases.data(),
                                                phaseCount, m_taps));
            std::copy(line.end() - history, line.end(), line.begin());
        }
    }
}
