#include "components/audio/mediatools.h"
#include "components/componenterror.h"
#include "components/lame/mp3lameencoder.h"
#include "components/output/outputwriter.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

QString errorOf(Mp3LameEncoder& encoder, const QString& line) {
    try {
        encoder.SetCommandLine(line);
    } catch (const ComponentError& error) {
        return error.message();
    }
    return {};
}

TEST(Mp3LameEncoderTest, CommandLineSetsTheMatchingSettings) {
    Mp3LameEncoder encoder;
    encoder.SetCommandLine(QStringLiteral(
        "-b 192 -q2 -m j --resample 22.05 -p -t --nores --noshort --allow-diff-short\n"
        "--strictly-enforce-ISO --lowpass 15 --lowpass-width 1000 --highpass 120 -e 5 --athshort"));
    const LameSettings& s = encoder.settings();
    EXPECT_EQ(s.bitrate, 192);
    EXPECT_EQ(s.quality, 2);
    EXPECT_EQ(s.channelMode, 2);
    EXPECT_EQ(s.sampleRate, 22050);
    EXPECT_TRUE(s.crc);
    EXPECT_FALSE(s.writeVbrHeader);
    EXPECT_FALSE(s.bitReservoir);
    EXPECT_FALSE(s.shortBlocks);
    EXPECT_TRUE(s.allowDiffBlocks);
    EXPECT_TRUE(s.strictIso);
    EXPECT_EQ(s.lowpassFrequency, 15000);
    EXPECT_EQ(s.lowpassWidth, 1000);
    EXPECT_EQ(s.highpassFrequency, 120);
    EXPECT_EQ(s.deemphasis, 1);
    EXPECT_EQ(s.athMode, 3);

    encoder.SetCommandLine(QStringLiteral("-V 3 -B 256 -F"));
    EXPECT_EQ(s.vbrMethod, 0);
    EXPECT_EQ(s.vbrQuality, 3);
    EXPECT_EQ(s.vbrBitrate, 256);
    EXPECT_TRUE(s.enforceMinBitrate);
    encoder.SetCommandLine(QStringLiteral("--vbr-old -a"));
    EXPECT_EQ(s.vbrMethod, 1);
    EXPECT_EQ(s.channelMode, 0);

    encoder.SetCommandLine(QStringLiteral("--preset fast extreme"));
    EXPECT_EQ(s.altPreset, 3);
    encoder.SetCommandLine(QStringLiteral("--preset CD"));
    EXPECT_EQ(s.preset, 9);
    EXPECT_EQ(s.altPreset, 0);
    encoder.SetCommandLine(QStringLiteral("--alt-preset insane"));
    EXPECT_EQ(s.altPreset, 5);
    EXPECT_EQ(s.preset, 0);
}

TEST(Mp3LameEncoderTest, CommandLineRejectsWhatItCannotHonourAndChangesNothing) {
    Mp3LameEncoder encoder;
    EXPECT_TRUE(errorOf(encoder, QStringLiteral("--replaygain-accurate"))
                    .contains(QStringLiteral("--replaygain-accurate")));
    EXPECT_TRUE(
        errorOf(encoder, QStringLiteral("-q 3 -b")).contains(QStringLiteral("needs a value")));
    EXPECT_TRUE(errorOf(encoder, QStringLiteral("-b fast")).contains(QStringLiteral("fast")));
    EXPECT_FALSE(errorOf(encoder, QStringLiteral("-m x")).isEmpty());
    EXPECT_FALSE(errorOf(encoder, QStringLiteral("input.wav")).isEmpty());
    EXPECT_FALSE(errorOf(encoder, QStringLiteral("-b 999")).isEmpty());
    EXPECT_FALSE(errorOf(encoder, QStringLiteral("--preset loud")).isEmpty());
    EXPECT_FALSE(errorOf(encoder, QStringLiteral("-t1")).isEmpty());
    EXPECT_EQ(encoder.settings().quality, 5); // "-q 3" before the bad switch did not stay
    EXPECT_EQ(encoder.settings().bitrate, 128);
    EXPECT_TRUE(errorOf(encoder, QStringLiteral("  \n ")).isEmpty());
}

TEST(Mp3LameEncoderTest, SettersCheckTheirValues) {
    Mp3LameEncoder encoder;
    EXPECT_THROW(encoder.SetBitrate(400), ComponentError);
    EXPECT_THROW(encoder.SetVbrBitrate(4), ComponentError);
    EXPECT_THROW(encoder.SetQuality(10), ComponentError);
    EXPECT_THROW(encoder.SetVbrMethod(4), ComponentError);
    EXPECT_THROW(encoder.SetSampleRate(44000), ComponentError);
    EXPECT_THROW(encoder.SetPreset(12), ComponentError);
    EXPECT_THROW(encoder.SetLowpassFrequency(50000), ComponentError);
    EXPECT_NO_THROW(encoder.SetLowpassFrequency(-1));
}

TEST(Mp3LameEncoderTest, TheLastModeChoiceWins) {
    Mp3LameEncoder encoder;
    encoder.SetPreset(11);
    encoder.SetAltPreset(2);
    EXPECT_EQ(encoder.settings().preset, 0);
    EXPECT_EQ(encoder.settings().altPreset, 2);
    encoder.SetVbrMethod(-1);
    EXPECT_EQ(encoder.settings().altPreset, 0);

    encoder.SetMono(-1);
    EXPECT_EQ(encoder.settings().channelMode, 0);
    encoder.SetChannelMode(2);
    EXPECT_EQ(encoder.settings().channelMode, 2);
    encoder.SetMono(-1);
    encoder.SetMono(0);
    EXPECT_EQ(encoder.settings().channelMode, 1);
}

TEST(Mp3LameEncoderTest, CommandLineReachesTheFile) {
    QTemporaryDir dir;
    Mp3LameEncoder encoder;
    encoder.SetCommandLine(QStringLiteral("-m m --resample 16 -b 32"));
    OutputWriter writer;
    writer.SetMp3Encoder(&encoder);
    const QString file = dir.filePath(QStringLiteral("line.mp3"));
    writer.Create(file);
    writer.Write(MediaTools::tone(44100, 2, 1.0, 440));
    writer.Close();
    const MediaTools::Probe info = MediaTools::probe(file);
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bitRate, 32000);
}

} // namespace
