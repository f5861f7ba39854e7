#include "settings/cdreadingkeys.h"
#include "settings/freedbkeys.h"
#include "settings/lookuptables.h"
#include "settings/mp3keys.h"
#include "settings/oggkeys.h"
#include "settings/settingsfile.h"
#include "settings/wavkeys.h"
#include "settings/wmakeys.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Orvelle.ini"))};

    void store(const char* section, const char* key, const QString& value) {
        settings.ini().writeString(QLatin1String(section), QLatin1String(key), value);
    }
};

TEST_F(SettingsFileTest, LivesInTheUsersConfigurationFolder) {
    EXPECT_EQ(SettingsFile::defaultPath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Orvelle.ini"));
}

TEST_F(SettingsFileTest, AnEmptyFileGivesEachKeysOwnDefault) {
    // One key of each kind, with defaults that no empty value could pass for.
    const auto expectDefault = [this](auto key) {
        EXPECT_EQ(settings.read(key), key.defaultValue) << key.section << "/" << key.name;
    };
    expectDefault(Mp3Keys::LowpassFrequency);
    expectDefault(OggKeys::Quality);
    expectDefault(Mp3Keys::VbrHeader);
    expectDefault(FreedbKeys::Timeout);
    EXPECT_FALSE(QFile::exists(settings.path())) << "nothing is written before the first save";
}

TEST_F(SettingsFileTest, SectionAndKeyNamesAreTheStoredOnes) {
    // Files written by earlier versions use these exact names; any case matches.
    store("MP3VBR", "Coding Method", "3");
    store("mp3filt", "UDLFILTF", "12000");
    store("Ogg", "Max Bitrate", "4");
    EXPECT_EQ(settings.read(Mp3Keys::CodingMethod), 3);
    EXPECT_EQ(settings.read(Mp3Keys::LowpassFrequency), 12000);
    EXPECT_EQ(settings.read(OggKeys::MaxBitrate), 4);
}

TEST_F(SettingsFileTest, BooleansStoredAsTwoOrAsAWord) {
    store("MP3Expert", "crc", "2");
    store("MP3Expert", "Bit", "on");
    EXPECT_TRUE(settings.read(Mp3Keys::Crc));
    EXPECT_TRUE(settings.read(Mp3Keys::BitReservoir)) << "a word keeps the default";
}

TEST_F(SettingsFileTest, TextIsStoredExactlyAsTyped) {
    settings.write(FreedbKeys::port, QStringLiteral("8O80 "));
    EXPECT_EQ(settings.read(FreedbKeys::port), "8O80");
    settings.write(FreedbKeys::proxy, QStringLiteral("proxy.example:3128"));
    EXPECT_EQ(settings.read(FreedbKeys::proxy), "proxy.example:3128");
}

TEST_F(SettingsFileTest, LookupTablesMapPositionsToValues) {
    using namespace LookupTables;
    const int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    const int bitrates[] = {8, 16, 24, 32, 48, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    for (int i = 0; i < SampleRateCount; ++i) {
        settings.write(Mp3Keys::Frequency, i);
        EXPECT_EQ(sampleRate(settings, Mp3Keys::Frequency), rates[i]);
    }
    for (int i = 0; i < BitrateCount; ++i) {
        settings.write(OggKeys::MinBitrate, i);
        EXPECT_EQ(bitrate(settings, OggKeys::MinBitrate), bitrates[i]);
    }
    settings.write(WavKeys::Bit, 0);
    EXPECT_EQ(sampleWidth(settings, WavKeys::Bit), 8);
    settings.write(WavKeys::Bit, 1);
    EXPECT_EQ(sampleWidth(settings, WavKeys::Bit), 16);
}

TEST_F(SettingsFileTest, PositionsOutsideTheirListFallBackToTheDefault) {
    using namespace LookupTables;
    settings.write(Mp3Keys::Frequency, 9);
    EXPECT_EQ(sampleRate(settings, Mp3Keys::Frequency), 44100);
    settings.write(Mp3Keys::Bitrate, -1); // what a list with no selection stores
    EXPECT_EQ(bitrate(settings, Mp3Keys::Bitrate), 128);
    settings.write(WavKeys::Bit, 2);
    EXPECT_EQ(sampleWidth(settings, WavKeys::Bit), 16);
    settings.write(WmaKeys::Format, 47);
    EXPECT_EQ(settings.readPosition(WmaKeys::Format, WmaKeys::ProfileCount), 9);
    settings.write(WmaKeys::Format, 46);
    EXPECT_EQ(settings.readPosition(WmaKeys::Format, WmaKeys::ProfileCount), 46);
}

TEST(SettingsLists, WmaProfilesAndFreeDbChoices) {
    ASSERT_EQ(wmaProfileNames().size(), WmaKeys::ProfileCount);
    EXPECT_EQ(wmaProfileNames()[9], "WMA9 44KHz, 128Kbps, Stereo, CBR");
    EXPECT_EQ(wmaProfileNames()[20], wmaProfileNames()[22]);
    EXPECT_EQ(wmaProfileNames()[34], "WMA9 8KHz,  12Kbps, Stereo, CBR");
    EXPECT_EQ(wmaProfileNames()[46], "WMA9 44KHz, Stereo, Lossless");
    EXPECT_EQ(freedbServers().first(), "gnudb.gnudb.org");
    EXPECT_EQ(freedbSources().size(), FreedbKeys::SourceCount);
    EXPECT_EQ(freedbSources()[2], "From 'CDFreeDB.ini' file.");
}

} // namespace
