#include "support/mediatools.h"
#include "components/loudness/loudnessmeter.h"

#include <cmath>
#include <ebur128.h>
#include <gtest/gtest.h>
#include <memory>

namespace {

QByteArray scaled(QByteArray pcm, double factor) {
    auto* s = reinterpret_cast<qint16*>(pcm.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        s[i] = qint16(std::clamp<long>(std::lround(s[i] * factor), -32768, 32767));
    return pcm;
}

// A chord, a swell and some hiss, each channel a little apart: what the
// meter meets in music.
QByteArray musicLike(int rate, int channels, double seconds) {
    const QByteArray hiss = scaled(MediaTools::noise(int(rate * seconds), channels, 3), 0.03);
    QByteArray pcm = MediaTools::tone(rate, channels, seconds, 220);
    const QByteArray fifth = MediaTools::tone(rate, channels, seconds, 330);
    auto* s = reinterpret_cast<qint16*>(pcm.data());
    const auto* f = reinterpret_cast<const qint16*>(fifth.constData());
    const auto* n = reinterpret_cast<const qint16*>(hiss.constData());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        const double t = double(i / channels) / rate;
        const double level = 0.6 + 0.4 * std::sin(t + i % channels);
        s[i] = qint16(std::lround((0.4 * s[i] + 0.3 * f[i]) * level + n[i]));
    }
    return pcm;
}

// A full-scale square wave: every sample at one of the two ends.
QByteArray square(int rate, int channels, double seconds, double hz) {
    QByteArray pcm(int(rate * seconds) * channels * 2, Qt::Uninitialized);
    auto* s = reinterpret_cast<qint16*>(pcm.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        s[i] = std::fmod(double(i / channels) * hz / rate, 1.0) < 0.5 ? 32767 : -32768;
    return pcm;
}

struct Reference {
    double lufs;
    double samplePeak;
    double truePeak;
};

// What libebur128 itself makes of the sound, in one piece; 7.1 with its side
// speakers as surrounds, which libebur128 leaves out unless told.
Reference ebur128Of(const QByteArray& pcm, int rate, int channels) {
    ebur128_state* state = ebur128_init(unsigned(channels), static_cast<unsigned long>(rate),
                                        EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (channels == 8) {
        ebur128_set_channel(state, 6, EBUR128_LEFT_SURROUND);
        ebur128_set_channel(state, 7, EBUR128_RIGHT_SURROUND);
    }
    ebur128_add_frames_short(state, reinterpret_cast<const short*>(pcm.constData()),
                             std::size_t(pcm.size()) / 2 / std::size_t(channels));
    Reference found{0, 0, 0};
    ebur128_loudness_global(state, &found.lufs);
    for (unsigned c = 0; c < unsigned(channels); ++c) {
        double peak = 0;
        ebur128_sample_peak(state, c, &peak);
        found.samplePeak = std::max(found.samplePeak, peak);
        ebur128_true_peak(state, c, &peak);
        found.truePeak = std::max(found.truePeak, peak);
    }
    ebur128_destroy(&state);
    return found;
}

// In blocks that do not line up with the meter's 100 ms, as a rip or a
// conversion hands them over; as 16-bit samples, or the same sound as a
// source of more bits hands it over.
enum class Width { Short, Int, Float };
LoudnessMeter& measure(LoudnessMeter& meter, const QByteArray& pcm, Width width = Width::Short) {
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const std::vector<qint32> wide(s, s + pcm.size() / 2);
    std::vector<qint32> ints(wide.size());
    std::vector<float> floats(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        ints[i] = wide[i] * 65536;
        floats[i] = float(wide[i]) / 32768;
    }
    const qsizetype block = 997 * meter.channels();
    for (qsizetype at = 0; at < pcm.size() / 2; at += block) {
        const qint64 frames = std::min<qsizetype>(block, pcm.size() / 2 - at) / meter.channels();
        if (width == Width::Short)
            meter.add(s + at, frames);
        else if (width == Width::Int)
            meter.add(ints.data() + at, frames);
        else
            meter.add(floats.data() + at, frames);
    }
    return meter;
}

double decibels(double peak) {
    return 20 * std::log10(peak);
}

} // namespace

// Loudness and sample peak equal libebur128's, and the true peak is within
// 0.1 dB of it, for sound a meter could misjudge: noise, pure tones (one near
// the top of the band, where the oversampling filter is at its edge), a
// full-scale square wave, silence and one repeated value; at the four
// oversampling factors' rates, in mono, stereo, 5.1 by place (LFE left out,
// the surrounds weighed up) and 7.1 by its speakers. 24-bit and float samples
// of the same sound measure the same.
TEST(LoudnessMeter, AgreesWithLibebur128) {
    struct Layout {
        int rate;
        int channels;
        quint32 speakers; // 0: by place
    };
    const Layout layouts[] = {{44100, 2, 0}, {48000, 2, 0}, {96000, 2, 0},    {192000, 2, 0},
                              {44100, 1, 0}, {44100, 6, 0}, {44100, 8, 0x63F}};
    const char* kinds[] = {"noise", "music", "tone", "high tone", "square", "silence", "constant"};
    for (const Layout& layout : layouts)
        for (const char* kind : kinds) {
            const int rate = layout.rate, channels = layout.channels;
            SCOPED_TRACE(QStringLiteral("%1 at %2 Hz, %3 ch")
                             .arg(kind)
                             .arg(rate)
                             .arg(channels)
                             .toStdString());
            const double seconds = 3.3;
            const QByteArray name(kind);
            QByteArray pcm;
            if (name == "noise")
                pcm = scaled(MediaTools::noise(int(rate * seconds), channels, 7), 0.5);
            else if (name == "music")
                pcm = musicLike(rate, channels, seconds);
            else if (name == "tone")
                pcm = scaled(MediaTools::tone(rate, channels, seconds, 997), 0.25);
            else if (name == "high tone")
                pcm = scaled(MediaTools::tone(rate, channels, seconds, 0.45 * rate), 1.9);
            else if (name == "square")
                pcm = square(rate, channels, seconds, 1000);
            else if (name == "silence")
                pcm = QByteArray(int(rate * seconds) * channels * 2, '\0');
            else
                pcm = QByteArray(int(rate * seconds) * channels * 2, '\x80');
            const Reference reference = ebur128Of(pcm, rate, channels);

            LoudnessMeter sampled(rate, channels);
            LoudnessMeter oversampled(rate, channels, PeakKind::True);
            for (LoudnessMeter* meter : {&sampled, &oversampled})
                if (layout.speakers)
                    meter->setSpeakers(layout.speakers);
            measure(sampled, pcm);
            measure(oversampled, pcm);
            if (std::isinf(reference.lufs))
                EXPECT_TRUE(std::isinf(sampled.loudness()) && sampled.loudness() < 0);
            else
                EXPECT_NEAR(sampled.loudness(), reference.lufs, 1e-6);
            EXPECT_EQ(oversampled.loudness(), sampled.loudness());
            EXPECT_DOUBLE_EQ(sampled.peak(), reference.samplePeak);
            if (reference.truePeak == 0)
                EXPECT_EQ(oversampled.peak(), 0.0);
            else
                EXPECT_NEAR(decibels(oversampled.peak()), decibels(reference.truePeak), 0.1);
            for (const Width width : {Width::Int, Width::Float}) {
                LoudnessMeter wide(rate, channels);
                LoudnessMeter wideTrue(rate, channels, PeakKind::True);
                if (layout.speakers)
                    wide.setSpeakers(layout.speakers);
                EXPECT_EQ(measure(wide, pcm, width).loudness(), sampled.loudness());
                EXPECT_EQ(wide.peak(), sampled.peak());
                EXPECT_EQ(measure(wideTrue, pcm, width).peak(), oversampled.peak());
            }
        }
}

// An album's loudness is that of its tracks played one after the other, not
// the mean of their loudness; silence has no gain.
TEST(LoudnessMeter, AlbumLoudnessIsOverAllTracksAndGainsAreWrittenAsPlayersReadThem) {
    const QByteArray tracks[] = {musicLike(44100, 2, 5), scaled(musicLike(44100, 2, 8), 0.25),
                                 scaled(MediaTools::noise(44100 * 4, 2, 9), 0.1)};
    std::vector<std::unique_ptr<LoudnessMeter>> meters;
    std::vector<ebur128_state*> references;
    for (const QByteArray& pcm : tracks) {
        meters.push_back(std::make_unique<LoudnessMeter>(44100, 2));
        measure(*meters.back(), pcm);
        references.push_back(ebur128_init(2, 44100, EBUR128_MODE_I));
        ebur128_add_frames_short(references.back(), reinterpret_cast<const short*>(pcm.constData()),
                                 std::size_t(pcm.size()) / 4);
    }
    double whole = 0;
    ebur128_loudness_global_multiple(references.data(), references.size(), &whole);
    for (ebur128_state*& state : references)
        ebur128_destroy(&state);
    EXPECT_NEAR(LoudnessMeter::albumLoudness({meters[0].get(), meters[1].get(), meters[2].get()}),
                whole, 1e-6);
    EXPECT_GT(meters[0]->loudness() - meters[1]->loudness(), 10);

    LoudnessMeter silent(44100, 2);
    measure(silent, QByteArray(44100 * 4, '\0'));
    EXPECT_TRUE(std::isinf(silent.loudness()));
    EXPECT_EQ(ReplayGain::gainDb(silent.loudness()), 0.0);
    EXPECT_EQ(ReplayGain::r128Gain(silent.loudness()), 0);

    EXPECT_EQ(ReplayGain::gainText(ReplayGain::gainDb(-11.4751)), "-6.52 dB");
    EXPECT_EQ(ReplayGain::gainText(ReplayGain::gainDb(-24.25)), "6.25 dB");
    EXPECT_EQ(ReplayGain::gainText(-0.001), "0.00 dB");
    EXPECT_EQ(ReplayGain::peakText(0.98883149), "0.988831");
    EXPECT_EQ(ReplayGain::r128Gain(-18.0), -1280);   // 5 dB below -23 LUFS, in 1/256 dB
    EXPECT_EQ(ReplayGain::r128Gain(-17.997), -1281); // rounded, not cut
    EXPECT_EQ(ReplayGain::r128Gain(-300.0), 32767);
    EXPECT_THROW(LoudnessMeter(44100, 0), std::exception);
}
