#include "components/loudness/loudnessmeter.h"

#include "components/componenterror.h"
#include "components/loudness/simdclones.h"
#include "components/loudness/truepeakmeter.h"

#include <algorithm>
#include <cmath>

namespace {

// Loudness is the mean square of the K-weighted sound, gated: blocks of
// 400 ms that start every 100 ms count when louder than -70 LUFS and than
// 10 LU under the mean of those.
constexpr double AbsoluteGateLufs = -70.0;
constexpr double RelativeGateLu = -10.0;
constexpr double LufsOffset = -0.691;
constexpr int PartsPerBlock = 4;

using Pair = double __attribute__((vector_size(16)));

// The K-weighting for one rate: a high shelf of +4 dB over about 1.7 kHz
// (the head's effect) and a high pass at 38 Hz, as one fourth-order filter.
struct KWeighting {
    double a[5];
    double b[5];

    explicit KWeighting(int rate) {
        double f0 = 1681.974450955533;
        const double gain = 3.999843853973347;
        double q = 0.7071752369554196;
        double k = std::tan(M_PI * f0 / rate);
        const double vh = std::pow(10.0, gain / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double shelf0 = 1.0 + k / q + k * k;
        const double sb[3] = {(vh + vb * k / q + k * k) / shelf0, 2.0 * (k * k - vh) / shelf0,
                              (vh - vb * k / q + k * k) / shelf0};
        const double sa[3] = {1.0, 2.0 * (k * k - 1.0) / shelf0, (1.0 - k / q + k * k) / shelf0};
        f0 = 38.13547087602444;
        q = 0.5003270373238773;
        k = std::tan(M_PI * f0 / rate);
        const double pass0 = 1.0 + k / q + k * k;
        const double pb[3] = {1.0, -2.0, 1.0};
        const double pa[3] = {1.0, 2.0 * (k * k - 1.0) / pass0, (1.0 - k / q + k * k) / pass0};
        for (int i = 0; i < 5; ++i) {
            a[i] = b[i] = 0;
            for (int j = std::max(0, i - 2); j <= std::min(i, 2); ++j) {
                a[i] += sa[j] * pa[i - j];
                b[i] += sb[j] * pb[i - j];
            }
        }
    }
};

// One pair of channels side by side in a register; an odd last channel
// leaves the second lane silent.
struct FilterState {
    Pair w[4] = {};   // the recursion's last four values, newest first
    Pair energy = {}; // sum of the squared output in the part being measured
    Pair peak = {};   // the highest magnitude of a sample
};

// Samples of any type, scaled to full scale at 1 (by a power of two, which
// changes no digit).
template <typename Sample, bool Single>
inline __attribute__((always_inline)) void filterFrames(const Sample* in, int stride, int frames,
                                                        double scale, const KWeighting& k,
                                                        FilterState& s) {
    const Pair a1 = {k.a[1], k.a[1]}, a2 = {k.a[2], k.a[2]}, a3 = {k.a[3], k.a[3]},
               a4 = {k.a[4], k.a[4]};
    const Pair b0 = {k.b[0], k.b[0]}, b1 = {k.b[1], k.b[1]}, b2 = {k.b[2], k.b[2]},
               b3 = {k.b[3], k.b[3]}, b4 = {k.b[4], k.b[4]};
    Pair w1 = s.w[0], w2 = s.w[1], w3 = s.w[2], w4 = s.w[3];
    Pair energy = s.energy, peak = s.peak;
    for (int i = 0; i < frames; ++i, in += stride) {
        const Pair x = Pair{double(in[0]), Single ? 0.0 : double(in[1])} * scale;
        const Pair magnitude = x < 0 ? -x : x;
        peak = magnitude > peak ? magnitude : peak;
        // The newest value last: the recursion waits on one multiply-add a sample.
        const Pair w0 = x - a4 * w4 - a3 * w3 - a2 * w2 - a1 * w1;
        const Pair y = b0 * w0 + b1 * w1 + b2 * w2 + b3 * w3 + b4 * w4;
        energy += y * y;
        w4 = w3;
        w3 = w2;
        w2 = w1;
        w1 = w0;
    }
    s.w[0] = w1;
    s.w[1] = w2;
    s.w[2] = w3;
    s.w[3] = w4;
    s.energy = energy;
    s.peak = peak;
}

template <typename Sample>
inline __attribute__((always_inline)) void filterPairOf(const Sample* in, int stride, int frames,
                                                        bool single, double scale,
                                                        const KWeighting& k, FilterState& s) {
    if (single)
        filterFrames<Sample, true>(in, stride, frames, scale, k, s);
    else
        filterFrames<Sample, false>(in, stride, frames, scale, k, s);
}

ORVELLE_SIMD_CLONES void filterPair(const qint16* in, int stride, int frames, bool single,
                                    double scale, const KWeighting& k, FilterState& s) {
    filterPairOf(in, stride, frames, single, scale, k, s);
}
ORVELLE_SIMD_CLONES void filterPair(const qint32* in, int stride, int frames, bool single,
                                    double scale, const KWeighting& k, FilterState& s) {
    filterPairOf(in, stride, frames, single, scale, k, s);
}
ORVELLE_SIMD_CLONES void filterPair(const float* in, int stride, int frames, bool single,
                                    double scale, const KWeighting& k, FilterState& s) {
    filterPairOf(in, stride, frames, single, scale, k, s);
}

// The full scale of each kind of sample.
constexpr double scaleOf(const qint16*) {
    return 1.0 / 32768;
}
constexpr double scaleOf(const qint32*) {
    return 1.0 / 2147483648.0;
}
constexpr double scaleOf(const float*) {
    return 1.0;
}

// A channel's share in the loudness: front speakers count once, the LFE not
// at all, the surrounds 1.41 times (+1.5 dB).
constexpr double Front = 1.0, Unheard = 0.0, Surround = 1.41;

// Without a layout, channels count by their place as 5.1 orders them, and
// further channels not at all.
double channelWeight(int channel) {
    const double byPlace[] = {Front, Front, Front, Unheard, Surround, Surround};
    return channel < 6 ? byPlace[channel] : Unheard;
}

// The share of one speaker of WAVE_FORMAT_EXTENSIBLE's mask.
double speakerWeight(quint32 speaker) {
    constexpr quint32 Lfe = 0x8, BackLeft = 0x10, BackRight = 0x20, SideLeft = 0x200,
                      SideRight = 0x400;
    if (speaker == Lfe)
        return Unheard;
    if (speaker == BackLeft || speaker == BackRight || speaker == SideLeft || speaker == SideRight)
        return Surround;
    return Front;
}

double lufsOf(double energy) {
    return LufsOffset + 10 * std::log10(energy);
}

// The gated mean of blocks' energies, in LUFS; -inf when no block is above the gates.
double gatedLoudness(const std::vector<double>& blocks) {
    const double absoluteGate = std::pow(10.0, (AbsoluteGateLufs - LufsOffset) / 10);
    double sum = 0;
    std::size_t count = 0;
    for (const double energy : blocks)
        if (energy >= absoluteGate) {
            sum += energy;
            ++count;
        }
    if (count == 0)
        return -HUGE_VAL;
    const double relativeGate = sum / double(count) * std::pow(10.0, RelativeGateLu / 10);
    sum = 0;
    count = 0;
    for (const double energy : blocks)
        if (energy >= absoluteGate && energy >= relativeGate) {
            sum += energy;
            ++count;
        }
    return count == 0 ? -HUGE_VAL : lufsOf(sum / double(count));
}

} // namespace

struct LoudnessMeter::Filter : FilterState {
    explicit Filter(int rate) : weighting(rate) {}
    KWeighting weighting;
};

std::optional<PeakKind> peakKindNamed(const QString& name) {
    if (name.compare(QLatin1String("sample"), Qt::CaseInsensitive) == 0)
        return PeakKind::Sample;
    if (name.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return PeakKind::True;
    return std::nullopt;
}

LoudnessMeter::LoudnessMeter(int sampleRate, int channels, PeakKind peak)
    : m_sampleRate(sampleRate), m_channels(channels), m_partFrames((sampleRate + 5) / 10) {
    if (sampleRate < 8000 || sampleRate > 384000 || channels < 1 || channels > 8)
        throw ComponentError(
            QStringLiteral("Loudness cannot be measured at %1 Hz with %2 channels.")
                .arg(sampleRate)
                .arg(channels));
    m_filters.assign(std::size_t(channels + 1) / 2, Filter(sampleRate));
    for (int channel = 0; channel < channels; ++channel)
        m_weights.push_back(channelWeight(channel));
    if (peak == PeakKind::True)
        m_truePeak = std::make_unique<TruePeakMeter>(sampleRate, channels);
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const qint16* samples, qint64 frames) {
    addSamples(samples, frames);
}

void LoudnessMeter::add(const qint32* samples, qint64 frames) {
    addSamples(samples, frames);
}

void LoudnessMeter::add(const float* samples, qint64 frames) {
    addSamples(samples, frames);
}

void LoudnessMeter::setSpeakers(quint32 mask) {
    int channel = 0;
    for (quint32 speaker = 1; speaker != 0 && channel < m_channels; speaker <<= 1)
        if (mask & speaker)
            m_weights[std::size_t(channel++)] = speakerWeight(speaker);
}

template <typename Sample> void LoudnessMeter::addSamples(const Sample* samples, qint64 frames) {
    if (m_truePeak && frames > 0)
        m_truePeak->add(samples, frames);
    while (frames > 0) {
        const int run = int(std::min<qint64>(frames, m_partFrames - m_framesInPart));
        for (std::size_t pair = 0; pair < m_filters.size(); ++pair) {
            const int first = int(pair) * 2;
            filterPair(samples + first, m_channels, run, first + 1 == m_channels, scaleOf(samples),
                       m_filters[pair].weighting, m_filters[pair]);
        }
        samples += qint64(run) * m_channels;
        frames -= run;
        m_framesInPart += run;
        if (m_framesInPart == m_partFrames)
            endPart();
    }
}

void LoudnessMeter::endPart() {
    double energy = 0;
    for (int channel = 0; channel < m_channels; ++channel) {
        Filter& filter = m_filters[std::size_t(channel / 2)];
        energy += m_weights[std::size_t(channel)] * filter.energy[channel % 2];
    }
    m_parts.push_back(energy);
    m_framesInPart = 0;
    for (Filter& filter : m_filters) {
        filter.energy = Pair{};
        // After long silence the recursion would crawl through subnormal
        // numbers, which cost a hundred times as much and mean nothing here
        // (a 24-bit step is 1e-7).
        for (Pair& w : filter.w)
            for (int lane = 0; lane < 2; ++lane)
                if (std::fabs(w[lane]) < 1e-30)
                    w[lane] = 0;
    }
}

double LoudnessMeter::loudness() const {
    return albumLoudness({this});
}

double LoudnessMeter::peak() const {
    if (m_truePeak)
        return m_truePeak->peak();
    double highest = 0;
    for (const Filter& filter : m_filters)
        highest = std::max({highest, filter.peak[0], filter.peak[1]});
    return highest;
}

double LoudnessMeter::albumLoudness(const std::vector<const LoudnessMeter*>& tracks) {
    // Blocks do not reach from one track into the next.
    std::vector<double> blocks;
    for (const LoudnessMeter* track : tracks) {
        if (!track)
            continue;
        const std::vector<double>& parts = track->m_parts;
        const double scale = 1.0 / (PartsPerBlock * track->m_partFrames);
        for (std::size_t end = PartsPerBlock; end <= parts.size(); ++end)
            blocks.push_back((parts[end - 4] + parts[end - 3] + parts[end - 2] + parts[end - 1]) *
                             scale);
    }
    return gatedLoudness(blocks);
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
