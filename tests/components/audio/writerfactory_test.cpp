#include "components/componenterror.h"
#include "components/output/writerfactory.h"
#include "support/mediatools.h"
#include "settings/encodersettings.h"
#include "settings/mp3keys.h"
#include "settings/oggkeys.h"
#include "settings/rmkeys.h"
#include "settings/settingsfile.h"
#include "settings/wavkeys.h"
#include "settings/wmakeys.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

using namespace MediaTools;

class WriterFactoryTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // One second of a tone at CD rate through a writer of `format`.
    Probe write(OutputFormat format, const EncoderSettings& snapshot, const QString& name) {
        std::unique_ptr<AudioWriter> writer = makeWriter(format, snapshot);
        EXPECT_NE(writer, nullptr);
        if (!writer)
            return {};
        writer->setInputFormat(44100, 2);
        writer->create(path(name));
        writer->write(tone(44100, 2, 1.0, 1000));
        writer->close();
        return probe(path(name));
    }

    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Orvelle.ini"))};
};

TEST_F(WriterFactoryTest, EachFormatGetsItsOwnEncoderWithTheStoredSettings) {
    settings.write(Mp3Keys::Bitrate, 5);   // 64 kbps
    settings.write(Mp3Keys::Channel, 0);   // mono
    settings.write(WavKeys::Mode, 1);      // 48 kHz, 32 bits
    settings.write(WmaKeys::Format, 20);   // a profile of its own rate
    settings.write(OggKeys::Frequency, 4); // 22050 Hz
    const EncoderSettings snapshot = EncoderSettings::read(settings);

    const Probe mp3 = write(FormatMp3, snapshot, QStringLiteral("a.mp3"));
    EXPECT_EQ(mp3.codec, "mp3");
    EXPECT_EQ(mp3.channels, 1);
    EXPECT_EQ(mp3.bitRate, 64000);
    const Probe wav = write(FormatWav, snapshot, QStringLiteral("a.wav"));
    EXPECT_EQ(wav.codec, "pcm_s32le");
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_EQ(write(FormatWma, snapshot, QStringLiteral("a.wma")).codec, "wmav2");
    const Probe ogg = write(FormatOgg, snapshot, QStringLiteral("a.ogg"));
    EXPECT_EQ(ogg.codec, "vorbis");
    EXPECT_EQ(ogg.sampleRate, 22050);
}

TEST_F(WriterFactoryTest, WritersOfOneSnapshotShareNothing) {
    const EncoderSettings snapshot = EncoderSettings::read(settings);
    std::unique_ptr<AudioWriter> mp3 = makeWriter(FormatMp3, snapshot);
    std::unique_ptr<AudioWriter> wav = makeWriter(FormatWav, snapshot);
    mp3->setInputFormat(44100, 2);
    wav->setInputFormat(22050, 1);
    mp3->create(path(QStringLiteral("side.mp3")));
    wav->create(path(QStringLiteral("side.wav")));
    // Turn by turn, as two rows converted side by side would.
    for (int second = 0; second < 2; ++second) {
        mp3->write(tone(44100, 2, 1.0, 440));
        wav->write(tone(22050, 1, 1.0, 880));
    }
    mp3->close();
    wav->close();
    const Probe a = probe(path(QStringLiteral("side.mp3")));
    const Probe b = probe(path(QStringLiteral("side.wav")));
    EXPECT_EQ(a.codec, "mp3");
    EXPECT_EQ(b.codec, "pcm_s16le");
    EXPECT_NEAR(dominantFrequency(decode(path(QStringLiteral("side.mp3"))), 44100, 2), 440, 2);
    EXPECT_EQ(decode(path(QStringLiteral("side.wav")), 44100, 2).size(), 2 * 44100 * 4)
        << "two seconds, resampled from the writer's own input layout";
}

TEST_F(WriterFactoryTest, TheSnapshotHoldsWhatWasStoredWhenItWasTaken) {
    settings.write(Mp3Keys::Bitrate, 3); // 32 kbps
    const EncoderSettings snapshot = EncoderSettings::read(settings, QStringLiteral("-b 48"));
    settings.write(Mp3Keys::Bitrate, 11);
    settings.write(WavKeys::Mode, 1);
    EXPECT_EQ(snapshot.mp3.bitrate, 32);
    EXPECT_EQ(snapshot.wav.bits, 16);
    EXPECT_EQ(write(FormatMp3, snapshot, QStringLiteral("line.mp3")).bitRate, 48000)
        << "the command line comes last and wins";
    EXPECT_EQ(write(FormatWav, snapshot, QStringLiteral("cd.wav")).codec, "pcm_s16le");
}

TEST_F(WriterFactoryTest, OutOfRangeValuesAreTheDefaultsAndRmHasNoWriter) {
    settings.write(Mp3Keys::Bitrate, 15);
    settings.write(Mp3Keys::HighpassOn, true);
    settings.write(Mp3Keys::HighpassFrequency, 48001);
    settings.write(OggKeys::Quality, -1);
    settings.write(WmaKeys::Format, 47);
    settings.write(RmKeys::Format, 7);
    const EncoderSettings snapshot = EncoderSettings::read(settings);
    EXPECT_EQ(snapshot.mp3.bitrate, 128);
    EXPECT_EQ(snapshot.mp3.highpassFrequency, 30);
    EXPECT_EQ(snapshot.ogg.quality, 300);
    EXPECT_EQ(snapshot.wmaProfile, 9);
    EXPECT_EQ(snapshot.rmFormat, 7) << "checked against the codec list, not here";
    EXPECT_EQ(makeWriter(FormatRm, snapshot), nullptr);
    EXPECT_EQ(makeWriter(FormatSet, snapshot), nullptr);
}

TEST_F(WriterFactoryTest, ARefusedSettingRaises) {
    const EncoderSettings snapshot = EncoderSettings::read(settings, QStringLiteral("--no-such"));
    EXPECT_THROW(makeWriter(FormatMp3, snapshot), ComponentError);
}

} // namespace
