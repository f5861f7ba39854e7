#include "components/loudness/loudnessmeter.h"

#include "components/componenterror.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>

struct LoudnessMeter::State {
    ebur128_state* meter = nullptr;
};

LoudnessMeter::LoudnessMeter(int sampleRate, int channels)
    : m_sampleRate(sampleRate), m_channels(channels) {
    if (sampleRate < 8000 || sampleRate > 384000 || channels < 1 || channels > 8)
        throw ComponentError(
            QStringLiteral("Loudness cannot be measured at %1 Hz with %2 channels.")
                .arg(sampleRate)
                .arg(channels));
    m_state = std::make_unique<State>();
    m_state->meter = ebur128_init(unsigned(channels), static_cast<unsigned long>(sampleRate),
                                  EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!m_state->meter)
        throw ComponentError(QStringLiteral("The loudness meter could not be set up."));
}

LoudnessMeter::~LoudnessMeter() {
    if (m_state && m_state->meter)
        ebur128_destroy(&m_state->meter);
}

void LoudnessMeter::add(const qint16* samples, qint64 frames) {
    if (frames > 0)
        ebur128_add_frames_short(m_state->meter, samples, size_t(frames));
}

double LoudnessMeter::loudness() const {
    double lufs = -HUGE_VAL;
    if (ebur128_loudness_global(m_state->meter, &lufs) != EBUR128_SUCCESS)
        return -HUGE_VAL;
    return lufs;
}

double LoudnessMeter::truePeak() const {
    double highest = 0;
    for (int channel = 0; channel < m_channels; ++channel) {
        double peak = 0;
        if (ebur128_true_peak(m_state->meter, unsigned(channel), &peak) == EBUR128_SUCCESS)
            highest = std::max(highest, peak);
    }
    return highest;
}

double LoudnessMeter::albumLoudness(const std::vector<const LoudnessMeter*>& tracks) {
    std::vector<ebur128_state*> states;
    for (const LoudnessMeter* track : tracks)
        if (track)
            states.push_back(track->m_state->meter);
    double lufs = -HUGE_VAL;
    if (states.empty() ||
        ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS)
        return -HUGE_VAL;
    return lufs;
}

namespace ReplayGain {

double gainDb(double loudnessLufs) {
    return std::isfinite(loudnessLufs) ? ReferenceLufs - loudnessLufs : 0.0;
}

QString gainText(double gain) {
    // Never "-0.00 dB".
    const double rounded = std::round(gain * 100) / 100;
    return QStringLiteral("%1 dB").arg(rounded == 0 ? 0.0 : rounded, 0, 'f', 2);
}

QString peakText(double peak) {
    return QString::number(std::max(0.0, peak), 'f', 6);
}

int r128Gain(double loudnessLufs) {
    if (!std::isfinite(loudnessLufs))
        return 0;
    const long q78 = std::lround((R128ReferenceLufs - loudnessLufs) * 256);
    return int(std::clamp<long>(q78, -32768, 32767));
}

} // namespace ReplayGain
