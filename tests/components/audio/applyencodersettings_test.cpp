#include "components/componenterror.h"
#include "settings/applyencodersettings.h"
#include "settings/cdreadingkeys.h"
#include "settings/mp3keys.h"
#include "settings/oggkeys.h"
#include "settings/settingsfile.h"
#include "settings/wavkeys.h"
#include "settings/wmakeys.h"
#include "support/nullcomponents.h"

#include <gtest/gtest.h>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// Every call on the encoder, the writer and the grabber, in one list, as "Name args".
QStringList calls;

void record(const char* name, const QString& arguments) {
    calls << QLatin1String(name) + QLatin1Char(' ') + arguments;
}
void record(const char* name, int value) {
    record(name, QString::number(value));
}

class RecordingEncoder : public NullLameEncoder {
public:
    QString failOn; // raises ComponentError in this call

    void SetCommandLine(const QString& line) override { log("SetCommandLine", line); }
    void SetPreset(int v) override { log("SetPreset", v); }
    void SetAltPreset(int v) override { log("SetAltPreset", v); }
    void SetVbrBitrate(int v) override { log("SetVbrBitrate", v); }
    void SetVbrQuality(int v) override { log("SetVbrQuality", v); }
    void SetVbrMethod(int v) override { log("SetVbrMethod", v); }
    void SetChannelMode(int v) override { log("SetChannelMode", v); }
    void SetQuality(int v) override { log("SetQuality", v); }
    void SetWriteVbrHeader(int v) override { log("SetWriteVbrHeader", v); }
    void SetBitReservoir(int v) override { log("SetBitReservoir", v); }
    void SetAllowDiffBlocks(int v) override { log("SetAllowDiffBlocks", v); }
    void SetShortBlocks(int v) override { log("SetShortBlocks", v); }
    void SetDeemphasis(int v) override { log("SetDeemphasis", v); }
    void SetStrictIso(int v) override { log("SetStrictIso", v); }
    void SetEnforceMinBitrate(int v) override { log("SetEnforceMinBitrate", v); }
    void SetAthMode(int v) override { log("SetAthMode", v); }
    void SetLowpassFrequency(int v) override { log("SetLowpassFrequency", v); }
    void SetHighpassFrequency(int v) override { log("SetHighpassFrequency", v); }
    void SetLowpassWidth(int v) override { log("SetLowpassWidth", v); }
    void SetHighpassWidth(int v) override { log("SetHighpassWidth", v); }
    void SetCrc(int v) override { log("SetCrc", v); }
    void SetSampleRate(int v) override { log("SetSampleRate", v); }
    void SetMono(int v) override { log("SetMono", v); }
    void SetBitrate(int v) override { log("SetBitrate", v); }

private:
    template <typename T> void log(const char* name, const T& value) {
        if (failOn == QLatin1String(name))
            throw ComponentError(QStringLiteral("refused"));
        record(name, value);
    }
};

class RecordingWriter : public NullAudioFile {
public:
    bool open = false;
    IAudioFile2LameEnc* encoder = nullptr;

    bool GetIsOpen() override { return open; }
    void Close() override {
        open = false;
        record("Close", QString());
    }
    void SetWavFormat(int rate, int channels, int bits) override {
        record("SetWavFormat", QStringLiteral("%1 %2 %3").arg(rate).arg(channels).arg(bits));
    }
    void SetMp3Encoder(IAudioFile2LameEnc* e) override {
        encoder = e;
        record("SetMp3Encoder", QString());
    }
    void SetOggFormat(int rate, int channels, int bitrate, int min, int max, int quality) override {
        record("SetOggFormat", QStringLiteral("%1 %2 %3 %4 %5 %6")
                                   .arg(rate)
                                   .arg(channels)
                                   .arg(bitrate)
                                   .arg(min)
                                   .arg(max)
                                   .arg(quality));
    }
    void SetWmaProfile(int profile) override { record("SetWmaProfile", profile); }
    void ResetFormat(int format) override { record("ResetFormat", format); }
};

class RecordingGrabber : public NullCdGrabber {
public:
    void SetReadMode(int v) override { record("SetReadMode", v); }
    void SetRetryCount(int v) override { record("SetRetryCount", v); }
    void SetErrorAction(int v) override { record("SetErrorAction", v); }
};

class ApplyEncoderSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { calls.clear(); }

    QStringList apply(int format, const QString& commandLine = QString()) {
        calls.clear();
        ApplyEncoderSettings(format, settings, writer, encoder, commandLine);
        return calls;
    }

    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Orvelle.ini"))};
    RecordingEncoder encoder;
    RecordingWriter writer;
};

TEST_F(ApplyEncoderSettingsTest, Mp3WithNothingStored) {
    const QStringList expected{"SetWriteVbrHeader -1",
                               "SetEnforceMinBitrate 0",
                               "SetCrc 0",
                               "SetAllowDiffBlocks 0",
                               "SetBitReservoir -1",
                               "SetShortBlocks -1",
                               "SetStrictIso 0",
                               "SetHighpassFrequency -1",
                               "SetLowpassFrequency -1",
                               "SetVbrMethod -1",
                               "SetAthMode 0",
                               "SetChannelMode 1",
                               "SetDeemphasis 0",
                               "SetQuality 5",
                               "SetBitrate 128",
                               "SetVbrBitrate 128",
                               "SetHighpassWidth 5",
                               "SetLowpassWidth 750",
                               "SetVbrQuality 5",
                               "SetSampleRate 44100",
                               "SetMp3Encoder "};
    EXPECT_EQ(apply(0), expected);
    EXPECT_EQ(writer.encoder, &encoder);
}

TEST_F(ApplyEncoderSettingsTest, Mp3StoredChoices) {
    settings.write(Mp3Keys::Channel, 0);
    settings.write(Mp3Keys::CodingMethod, 4);
    settings.write(Mp3Keys::HighpassOn, true);
    settings.write(Mp3Keys::HighpassFrequency, 120);
    settings.write(Mp3Keys::Bitrate, 11);
    settings.write(Mp3Keys::VbrBitrate, 5);
    const QStringList made = apply(0);
    EXPECT_TRUE(made.contains("SetMono 1"));
    EXPECT_FALSE(made.filter("SetChannelMode").size());
    EXPECT_TRUE(made.contains("SetVbrMethod 3"));
    EXPECT_TRUE(made.contains("SetHighpassFrequency 120"));
    // The constant and the VBR bitrate are two settings, each from its own key.
    EXPECT_EQ(made.filter(QRegularExpression("^Set(Vbr)?Bitrate ")),
              QStringList({"SetBitrate 192", "SetVbrBitrate 64"}));

    // Read at the moment of the call: a change takes effect with the next file.
    settings.write(Mp3Keys::Bitrate, 3);
    EXPECT_TRUE(apply(0).contains("SetBitrate 32"));
}

TEST_F(ApplyEncoderSettingsTest, Mp3PositionsOutsideTheirListsTakeTheDefault) {
    settings.write(Mp3Keys::Bitrate, 20);
    settings.write(Mp3Keys::Frequency, -1);
    settings.write(Mp3Keys::Quality, 12);
    settings.write(Mp3Keys::Channel, 7);
    settings.write(Mp3Keys::CodingMethod, -1);
    settings.write(Mp3Keys::LowpassOn, true);
    settings.write(Mp3Keys::LowpassFrequency, 60000);
    const QStringList made = apply(0);
    for (const char* call : {"SetBitrate 128", "SetSampleRate 44100", "SetQuality 5",
                             "SetChannelMode 1", "SetVbrMethod -1", "SetLowpassFrequency 15160"})
        EXPECT_TRUE(made.contains(QLatin1String(call))) << call;
}

TEST_F(ApplyEncoderSettingsTest, Mp3PresetsAndTheCommandLine) {
    settings.write(Mp3Keys::UsePreset, true);
    settings.write(Mp3Keys::Preset, 10);
    EXPECT_EQ(apply(0, QStringLiteral("-b 192")),
              QStringList({"SetPreset 11", "SetCommandLine -b 192", "SetMp3Encoder "}));

    settings.write(Mp3Keys::UseAltPreset, true);
    settings.write(Mp3Keys::AltPreset, 4);
    EXPECT_EQ(apply(0), QStringList({"SetPreset 11", "SetAltPreset 5", "SetMp3Encoder "}));

    settings.write(Mp3Keys::UsePreset, false);
    settings.write(Mp3Keys::UseAltPreset, false);
    EXPECT_EQ(apply(0, QStringLiteral("-p")).mid(20),
              QStringList({"SetCommandLine -p", "SetMp3Encoder "}));
}

TEST_F(ApplyEncoderSettingsTest, Wav) {
    EXPECT_EQ(apply(1), QStringList({"SetWavFormat 44100 2 16"}));
    settings.write(WavKeys::Mode, 1);
    EXPECT_EQ(apply(1), QStringList({"SetWavFormat 48000 2 32"}));
    settings.write(WavKeys::Mode, 2);
    settings.write(WavKeys::Bit, 0);
    settings.write(WavKeys::Channel, 0);
    settings.write(WavKeys::Frequency, 1);
    EXPECT_EQ(apply(1), QStringList({"SetWavFormat 11025 1 8"}));

    // An open file is closed first; a mode outside the list is CD quality, so
    // that a WAV row never gets the format of the row before it.
    writer.open = true;
    settings.write(WavKeys::Mode, 9);
    EXPECT_EQ(apply(1), QStringList({"Close ", "SetWavFormat 44100 2 16"}));
}

TEST_F(ApplyEncoderSettingsTest, Wma) {
    EXPECT_EQ(apply(2), QStringList({"ResetFormat -1", "SetWmaProfile 9"}));
    settings.write(WmaKeys::Format, 20);
    EXPECT_EQ(apply(2), QStringList({"ResetFormat -1", "SetWmaProfile 20"}));
    settings.write(WmaKeys::Format, -1);
    EXPECT_EQ(apply(2), QStringList({"ResetFormat -1", "SetWmaProfile 9"}));
}

TEST_F(ApplyEncoderSettingsTest, Ogg) {
    EXPECT_EQ(apply(3), QStringList({"SetOggFormat 44100 2 128 0 0 -1"}));
    settings.write(OggKeys::Channel, 0);
    settings.write(OggKeys::Frequency, 4);
    settings.write(OggKeys::QualityMode, true);
    EXPECT_EQ(apply(3), QStringList({"SetOggFormat 22050 1 0 0 0 300"}));

    // Minimum and maximum are bitrates, like the nominal one.
    settings.write(OggKeys::Vbr, true);
    settings.write(OggKeys::MinBitrate, 5);
    settings.write(OggKeys::MaxBitrate, 11);
    settings.write(OggKeys::Quality, 2000);
    EXPECT_EQ(apply(3), QStringList({"SetOggFormat 22050 1 0 0 0 300",
                                     "SetOggFormat 22050 1 128 64 192 -1"}));
}

TEST_F(ApplyEncoderSettingsTest, OtherFormatsMakeNoCall) {
    for (int format : {4, 5, -1})
        EXPECT_TRUE(apply(format).isEmpty()) << format;
}

TEST_F(ApplyEncoderSettingsTest, AFailingCallEndsTheSetUpThere) {
    encoder.failOn = QStringLiteral("SetCrc");
    EXPECT_THROW(apply(0), ComponentError);
    EXPECT_EQ(calls, QStringList({"SetWriteVbrHeader -1", "SetEnforceMinBitrate 0"}));
}

TEST_F(ApplyEncoderSettingsTest, CdReadingOptionsUseOneNumbering) {
    struct Case {
        int mode, retries, action; // stored; -99 stores nothing
        const char* expected;
    };
    const Case cases[] = {
        {-99, -99, -99, "SetReadMode 1|SetRetryCount 1|SetErrorAction 0"},
        {3, 32, 2, "SetReadMode 3|SetRetryCount 32|SetErrorAction 2"}, // as stored, no + 1
        {4, 0, 3, "SetReadMode 1|SetRetryCount 1|SetErrorAction 0"},   // outside: defaults
    };
    RecordingGrabber grabber;
    for (const Case& c : cases) {
        if (c.mode != -99) {
            settings.write(CdReadingKeys::ModeForGrabber, c.mode);
            settings.write(CdReadingKeys::RetriesForGrabber, c.retries);
            settings.write(CdReadingKeys::ErrorAction, c.action);
        }
        calls.clear();
        ApplyCdReadingOptions(settings, grabber);
        EXPECT_EQ(calls.join(QLatin1Char('|')), QLatin1String(c.expected));
    }
}

} // namespace
