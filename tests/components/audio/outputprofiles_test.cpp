#include "support/mediatools.h"
#include "components/audio/outputwriterfixture.h"
#include "components/ffmpeg/wmaprofiles.h"
#include "settings/lookuptables.h"
#include "settings/wmakeys.h"

#include <QRegularExpression>

using namespace MediaTools;

namespace {

// Each profile's file has the rate, channels and bitrate its name promises,
// or the encoder's lowest bitrate where the name asks for less.
TEST_F(OutputWriterTest, WmaEveryProfile) {
    static const QRegularExpression name(
        QStringLiteral("WMA9 (\\d+)KHz, +(?:(\\d+)Kbps, )?(Stereo|Mono)"));
    const QByteArray pcm = tone(44100, 2, 0.3, 1000);
    for (int profile = 0; profile < WmaKeys::ProfileCount; ++profile) {
        SCOPED_TRACE(profile);
        const QRegularExpressionMatch promise = name.match(wmaProfileNames()[profile]);
        ASSERT_TRUE(promise.hasMatch());
        const QString file = path(QStringLiteral("p%1.wma").arg(profile));
        writer.setWmaProfile(profile);
        writeFile(file, pcm);
        const Probe info = probe(file);
        EXPECT_EQ(info.codec, QLatin1String("wmav2"));
        EXPECT_EQ(info.sampleRate / 1000, promise.captured(1).toInt());
        EXPECT_EQ(info.channels, promise.captured(3) == QLatin1String("Stereo") ? 2 : 1);
        if (!promise.captured(2).isEmpty()) {
            EXPECT_EQ(info.bitRate,
                      std::max(promise.captured(2).toInt() * 1000, WmaProfiles::MinimumBitrate));
        }
        EXPECT_NEAR(info.duration, 0.3, 2048.0 / info.sampleRate);
    }
    EXPECT_NEAR(dominantFrequency(decode(path(QStringLiteral("p9.wma"))), 44100, 2), 1000, 2);
}

// The settings dialog offers every rate with every bitrate; each combination
// must give a file, whatever the encoder makes of it.
TEST_F(OutputWriterTest, EveryOfferedRateAndBitrateMakesAFile) {
    const QByteArray pcm = tone(44100, 2, 0.05, 440);
    const QString file = path(QStringLiteral("combo"));
    LameSettings lame;
    for (int rate : LookupTables::SampleRateTable) {
        for (int kbps : LookupTables::BitrateTable) {
            SCOPED_TRACE(QStringLiteral("%1 Hz %2 kbps").arg(rate).arg(kbps).toStdString());
            lame.vbrMethod = -1;
            lame.sampleRate = rate;
            lame.bitrate = kbps;
            writer.setMp3Settings(lame);
            EXPECT_NO_THROW(writeFile(file, pcm));
        }
        // libvorbisenc's bitrates form one range per rate and channel count:
        // its two ends and the middle stand for the rest.
        for (int kbps : {8, 128, 320}) {
            for (int channels : {1, 2}) {
                writer.setOggFormat({rate, channels, kbps, 0, 0, -1});
                EXPECT_NO_THROW(writeFile(file, pcm));
            }
        }
        writer.setOggFormat({rate, 2, 128, 8, 320, -1});
        EXPECT_NO_THROW(writeFile(file, pcm));
        lame.vbrMethod = 0;
        lame.vbrBitrate = 8;
        lame.enforceMinBitrate = true;
        lame.bitrate = 320;
        writer.setMp3Settings(lame);
        EXPECT_NO_THROW(writeFile(file, pcm));
        writer.setOggFormat({rate, 2, 0, 0, 0, 1000});
        EXPECT_NO_THROW(writeFile(file, pcm));
    }
}

} // namespace
