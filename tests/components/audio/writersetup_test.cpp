#include "cd/drivesession.h"
#include "components/componenterror.h"
#include "components/output/writerfactory.h"
#include "settings/cdreadingkeys.h"
#include "settings/mp3keys.h"
#include "settings/oggkeys.h"
#include "settings/settingsfile.h"
#include "support/nullcomponents.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

class WriterSetupTest : public ::testing::Test {
protected:
    LameSettings mp3(const QString& commandLine = {}) {
        return lameSettingsFor(EncoderSettings::read(settings, commandLine).mp3);
    }
    OggVorbisWriter::Settings ogg() { return oggSettingsFor(EncoderSettings::read(settings).ogg); }

    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Orvelle.ini"))};
};

TEST_F(WriterSetupTest, Mp3WithNothingStoredIsWhatAnEmptyFileMeans) {
    const LameSettings s = mp3();
    EXPECT_TRUE(s.writeVbrHeader && s.bitReservoir && s.shortBlocks);
    EXPECT_FALSE(s.enforceMinBitrate || s.crc || s.allowDiffBlocks || s.strictIso);
    EXPECT_EQ(s.preset + s.altPreset + s.athMode + s.deemphasis, 0);
    EXPECT_EQ(s.highpassFrequency, -1);
    EXPECT_EQ(s.lowpassFrequency, -1);
    EXPECT_EQ(s.highpassWidth, 5);
    EXPECT_EQ(s.lowpassWidth, 750);
    EXPECT_EQ(s.vbrMethod, -1);
    EXPECT_EQ(s.channelMode, 1);
    EXPECT_EQ(s.quality, 5);
    EXPECT_EQ(s.vbrQuality, 5);
    EXPECT_EQ(s.bitrate, 128);
    EXPECT_EQ(s.vbrBitrate, 128);
    EXPECT_EQ(s.sampleRate, 44100);
}

TEST_F(WriterSetupTest, Mp3StoredChoicesAndPositionsOutsideTheirLists) {
    settings.write(Mp3Keys::Channel, 0);
    settings.write(Mp3Keys::CodingMethod, 4);
    settings.write(Mp3Keys::HighpassOn, true);
    settings.write(Mp3Keys::HighpassFrequency, 120);
    settings.write(Mp3Keys::Bitrate, 11);
    settings.write(Mp3Keys::VbrBitrate, 5);
    LameSettings s = mp3();
    EXPECT_EQ(s.channelMode, 0);
    EXPECT_EQ(s.vbrMethod, 3);
    EXPECT_EQ(s.highpassFrequency, 120);
    // The constant and the VBR bitrate are two settings, each from its own key.
    EXPECT_EQ(s.bitrate, 192);
    EXPECT_EQ(s.vbrBitrate, 64);

    settings.write(Mp3Keys::Bitrate, 20);
    settings.write(Mp3Keys::Frequency, -1);
    settings.write(Mp3Keys::Quality, 12);
    settings.write(Mp3Keys::Channel, 7);
    settings.write(Mp3Keys::CodingMethod, -1);
    settings.write(Mp3Keys::LowpassOn, true);
    settings.write(Mp3Keys::LowpassFrequency, 60000);
    s = mp3();
    EXPECT_EQ(s.bitrate, 128);
    EXPECT_EQ(s.sampleRate, 44100);
    EXPECT_EQ(s.quality, 5);
    EXPECT_EQ(s.channelMode, 1);
    EXPECT_EQ(s.vbrMethod, -1);
    EXPECT_EQ(s.lowpassFrequency, 15160);
}

TEST_F(WriterSetupTest, Mp3PresetsThenTheCommandLine) {
    settings.write(Mp3Keys::UsePreset, true);
    settings.write(Mp3Keys::Preset, 10);
    settings.write(Mp3Keys::Bitrate, 3);
    EXPECT_EQ(mp3().preset, 11);
    EXPECT_EQ(mp3().bitrate, 128) << "a preset leaves the plain values alone";
    // A constant bitrate on the command line ends the preset.
    EXPECT_EQ(mp3(QStringLiteral("-b 192")).preset, 0);
    EXPECT_EQ(mp3(QStringLiteral("-b 192")).bitrate, 192);

    settings.write(Mp3Keys::UseAltPreset, true);
    settings.write(Mp3Keys::AltPreset, 4);
    EXPECT_EQ(mp3().preset, 0);
    EXPECT_EQ(mp3().altPreset, 5);

    settings.write(Mp3Keys::UsePreset, false);
    settings.write(Mp3Keys::UseAltPreset, false);
    EXPECT_TRUE(mp3(QStringLiteral("-p")).crc);
    EXPECT_EQ(mp3().bitrate, 32);
    EXPECT_THROW(mp3(QStringLiteral("--bogus")), ComponentError);
}

TEST_F(WriterSetupTest, OggTakesVbrOverQualityOverConstantBitrate) {
    const auto same = [](const OggVorbisWriter::Settings& a, const OggVorbisWriter::Settings& b) {
        return a.sampleRate == b.sampleRate && a.channels == b.channels && a.bitrate == b.bitrate &&
               a.minBitrate == b.minBitrate && a.maxBitrate == b.maxBitrate &&
               a.quality == b.quality;
    };
    EXPECT_TRUE(same(ogg(), {44100, 2, 128, 0, 0, -1}));
    settings.write(OggKeys::Channel, 0);
    settings.write(OggKeys::Frequency, 4);
    settings.write(OggKeys::QualityMode, true);
    EXPECT_TRUE(same(ogg(), {22050, 1, 0, 0, 0, 300}));
    // Minimum and maximum are bitrates, like the nominal one.
    settings.write(OggKeys::Vbr, true);
    settings.write(OggKeys::MinBitrate, 5);
    settings.write(OggKeys::MaxBitrate, 11);
    settings.write(OggKeys::Quality, 2000);
    EXPECT_TRUE(same(ogg(), {22050, 1, 128, 64, 192, -1}));
}

class RecordingRipper : public NullTrackRipper {
public:
    QString given;
    void setReadSettings(const ReadSettings& s) override {
        given = QStringLiteral("mode %1|retries %2|action %3")
                    .arg(int(s.mode))
                    .arg(s.retries)
                    .arg(int(s.errorAction));
    }
};

TEST_F(WriterSetupTest, CdReadingOptionsUseOneNumbering) {
    struct Case {
        int mode, retries, action; // stored; -99 stores nothing
        const char* expected;
    };
    const Case cases[] = {
        {-99, -99, -99, "mode 1|retries 1|action 0"},
        {3, 32, 2, "mode 3|retries 32|action 2"}, // as stored, no + 1
        {4, 0, 3, "mode 1|retries 1|action 0"},   // outside: defaults
    };
    for (const Case& c : cases) {
        if (c.mode != -99) {
            settings.write(CdReadingKeys::ModeForRipper, c.mode);
            settings.write(CdReadingKeys::RetriesForRipper, c.retries);
            settings.write(CdReadingKeys::ErrorAction, c.action);
        }
        RecordingRipper ripper;
        applyCdReadingOptions(settings, ripper);
        EXPECT_EQ(ripper.given, QLatin1String(c.expected));
    }
}

} // namespace
