#include "components/audio/mediatools.h"
#include "components/loudness/loudnessmeter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// Raw 16-bit PCM for ffmpeg to measure, with its layout.
struct RawFile {
    QString path;
    int rate = 0;
    int channels = 0;
};

RawFile writeRaw(const QString& path, const QByteArray& pcm, int rate, int channels) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(pcm);
    return {path, rate, channels};
}

struct Reference {
    double lufs = 0;
    double peakDb = 0;
};

// What FFmpeg's ebur128 filter says of the file: integrated loudness and true peak.
Reference ffmpegEbur128(const RawFile& raw) {
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  {"-nostats", "-hide_banner", "-f", "s16le", "-ar", QString::number(raw.rate),
                   "-ac", QString::number(raw.channels), "-i", raw.path, "-af", "ebur128=peak=true",
                   "-f", "null", "-"});
    process.waitForFinished(60000);
    const QString out = QString::fromUtf8(process.readAllStandardError());
    const int summary = out.lastIndexOf(QLatin1String("Summary:"));
    const QString tail = out.mid(summary);
    Reference found;
    found.lufs = QRegularExpression(QStringLiteral("I:\\s+(-?[0-9.]+) LUFS"))
                     .match(tail)
                     .captured(1)
                     .toDouble();
    found.peakDb = QRegularExpression(QStringLiteral("Peak:\\s+(-?[0-9.]+) dBFS"))
                       .match(tail)
                       .captured(1)
                       .toDouble();
    return found;
}

QByteArray scaled(QByteArray pcm, double factor) {
    auto* s = reinterpret_cast<qint16*>(pcm.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        s[i] = qint16(std::lround(s[i] * factor));
    return pcm;
}

// A chord, a swell and some hiss: what the meter meets in music.
QByteArray musicLike(int rate, int channels, double seconds) {
    const QByteArray hiss = scaled(MediaTools::noise(int(rate * seconds), channels, 3), 0.03);
    QByteArray pcm = MediaTools::tone(rate, channels, seconds, 220);
    const QByteArray fifth = MediaTools::tone(rate, channels, seconds, 330);
    auto* s = reinterpret_cast<qint16*>(pcm.data());
    const auto* f = reinterpret_cast<const qint16*>(fifth.constData());
    const auto* n = reinterpret_cast<const qint16*>(hiss.constData());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        const double t = double(i / channels) / rate;
        s[i] = qint16(std::lround((0.4 * s[i] + 0.3 * f[i]) * (0.6 + 0.4 * std::sin(t)) + n[i]));
    }
    return pcm;
}

LoudnessMeter& measure(LoudnessMeter& meter, const QByteArray& pcm) {
    // In blocks, as a rip or a conversion hands them over.
    const int block = 4096 * meter.channels();
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    for (qsizetype at = 0; at < pcm.size() / 2; at += block)
        meter.add(s + at, std::min<qsizetype>(block, pcm.size() / 2 - at) / meter.channels());
    return meter;
}

} // namespace

// The meter agrees with FFmpeg's R 128 meter within 0.1 dB, on tones, noise
// and music-like sound, at both rates, in mono and stereo: loudness always,
// true peak where the sound is not full-band noise.
TEST(LoudnessMeter, AgreesWithFfmpegOnLoudnessAndTruePeak) {
    QTemporaryDir dir;
    int n = 0;
    for (const int rate : {44100, 48000})
        for (const int channels : {1, 2})
            for (const char* kind : {"tone", "noise", "music"}) {
                SCOPED_TRACE(QStringLiteral("%1 %2 Hz %3 ch")
                                 .arg(kind)
                                 .arg(rate)
                                 .arg(channels)
                                 .toStdString());
                const double seconds = 6;
                QByteArray pcm;
                if (QByteArray(kind) == "tone")
                    pcm = scaled(MediaTools::tone(rate, channels, seconds, 997), 0.25);
                else if (QByteArray(kind) == "noise")
                    pcm = scaled(MediaTools::noise(int(rate * seconds), channels, 7), 0.5);
                else
                    pcm = musicLike(rate, channels, seconds);
                const Reference reference = ffmpegEbur128(
                    writeRaw(dir.filePath(QStringLiteral("%1.raw").arg(++n)), pcm, rate, channels));
                LoudnessMeter meter(rate, channels);
                measure(meter, pcm);
                EXPECT_NEAR(meter.loudness(), reference.lufs, 0.1);
                // Full-band noise peaks between samples where the two meters'
                // oversampling filters differ; there only the sample peak is sure.
                if (QByteArray(kind) == "noise")
                    EXPECT_GE(meter.truePeak(), 0.5 * 32767 / 32768);
                else
                    EXPECT_NEAR(20 * std::log10(meter.truePeak()), reference.peakDb, 0.1);
            }
}

// An album's loudness is that of its tracks played one after the other, not
// the mean of their loudness; silence has no gain.
TEST(LoudnessMeter, AlbumLoudnessIsOverAllTracksAndGainsAreWrittenAsPlayersReadThem) {
    QTemporaryDir dir;
    const QByteArray tracks[] = {scaled(musicLike(44100, 2, 5), 1.0),
                                 scaled(musicLike(44100, 2, 8), 0.25),
                                 scaled(MediaTools::noise(44100 * 4, 2, 9), 0.1)};
    std::vector<std::unique_ptr<LoudnessMeter>> meters;
    QByteArray all;
    for (const QByteArray& pcm : tracks) {
        meters.push_back(std::make_unique<LoudnessMeter>(44100, 2));
        measure(*meters.back(), pcm);
        all += pcm;
    }
    const double album =
        LoudnessMeter::albumLoudness({meters[0].get(), meters[1].get(), meters[2].get()});
    const Reference whole = ffmpegEbur128(writeRaw(dir.filePath("album.raw"), all, 44100, 2));
    EXPECT_NEAR(album, whole.lufs, 0.1);
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
    EXPECT_EQ(ReplayGain::r128Gain(-18.0), -1280); // 5 dB below -23 LUFS, in 1/256 dB
    EXPECT_EQ(ReplayGain::r128Gain(-300.0), 32767);
    EXPECT_THROW(LoudnessMeter(44100, 0), std::exception);
}
