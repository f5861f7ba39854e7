#pragma once

#include <memory>
#include <optional>
#include <QString>
#include <QtGlobal>
#include <vector>

class TruePeakMeter;

// Which peak a meter reports: the highest sample, as most taggers write it,
// or the true peak, the highest point of the wave between samples as well,
// which costs an oversampling pass.
enum class PeakKind { Sample, True };

// "sample" or "true", as the settings file and the command line name them;
// nothing for another text.
std::optional<PeakKind> peakKindNamed(const QString& name);

// Measures a track's loudness as its PCM passes: integrated loudness after
// EBU R 128 (K-weighting, 400 ms blocks every 100 ms, the absolute and the
// relative gate), the peak, and with the other tracks of an album the
// album's loudness. No second decode is needed.
class LoudnessMeter {
public:
    // Raises ComponentError for a layout that cannot be measured.
    LoudnessMeter(int sampleRate, int channels, PeakKind peak = PeakKind::Sample);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }

    // Interleaved signed 16-bit PCM in the meter's layout.
    void add(const qint16* samples, qint64 frames);
    // The same at full-scale 32 bits, or as floats: sources of more than 16 bits.
    void add(const qint32* samples, qint64 frames);
    void add(const float* samples, qint64 frames);
    // Which speaker each channel is, as WAVE_FORMAT_EXTENSIBLE's mask names
    // them, so that surround channels weigh as they should and the LFE not at
    // all. Without it channels count by their place in 5.1.
    void setSpeakers(quint32 mask);

    // Integrated loudness in LUFS; -inf for silence or nothing measured.
    double loudness() const;
    // The highest peak of any channel as asked for, 1.0 being full scale.
    double peak() const;
    // Integrated loudness over several tracks measured apart, as one album.
    static double albumLoudness(const std::vector<const LoudnessMeter*>& tracks);

private:
    struct Filter;
    template <typename Sample> void addSamples(const Sample* samples, qint64 frames);
    void endPart();

    int m_sampleRate;
    int m_channels;
    int m_partFrames;              // frames in 100 ms
    int m_framesInPart = 0;        // of the part being measured
    std::vector<Filter> m_filters; // one for each pair of channels
    std::vector<double> m_weights; // each channel's share of the loudness
    // The weighted energy of each complete 100 ms, full scale being 1.
    std::vector<double> m_parts;
    double m_samplePeak = 0;
    std::unique_ptr<TruePeakMeter> m_truePeak;
};

// The gains players level by, from a measured loudness.
namespace ReplayGain {
// ReplayGain 2.0 plays at -18 LUFS; Opus's R128 gains are relative to -23 LUFS.
inline constexpr double ReferenceLufs = -18.0;
inline constexpr double R128ReferenceLufs = -23.0;

// The gain in dB that brings loudness to the reference; 0 for silence.
double gainDb(double loudnessLufs);
// "-6.52 dB", as REPLAYGAIN_*_GAIN tags carry it.
QString gainText(double gainDb);
// "0.988831", as REPLAYGAIN_*_PEAK tags carry it.
QString peakText(double peak);
// R128_TRACK_GAIN and R128_ALBUM_GAIN: a Q7.8 integer relative to -23 LUFS,
// within what 16 bits hold.
int r128Gain(double loudnessLufs);
} // namespace ReplayGain
