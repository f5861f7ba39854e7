#pragma once

#include <memory>
#include <QString>
#include <QtGlobal>
#include <vector>

// Measures a track's loudness as its PCM passes (EBU R 128 with libebur128):
// integrated loudness and true peak, and with the other tracks of an album
// the album's loudness. No second decode is needed.
class LoudnessMeter {
public:
    // Raises ComponentError for a layout libebur128 cannot measure.
    LoudnessMeter(int sampleRate, int channels);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }

    // Interleaved signed 16-bit PCM in the meter's layout.
    void add(const qint16* samples, qint64 frames);

    // Integrated loudness in LUFS; -inf for silence or nothing measured.
    double loudness() const;
    // The highest true peak of any channel, 1.0 being full scale.
    double truePeak() const;
    // Integrated loudness over several tracks measured apart, as one album.
    static double albumLoudness(const std::vector<const LoudnessMeter*>& tracks);

private:
    struct State; // libebur128's, whose type cannot be declared ahead
    std::unique_ptr<State> m_state;
    int m_sampleRate;
    int m_channels;
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
