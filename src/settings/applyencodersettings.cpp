#include "settings/applyencodersettings.h"

#include "components/iaudiocdgrabber2.h"
#include "components/iaudiofile2.h"
#include "components/iaudiofile2lameenc.h"
#include "settings/cdreadingkeys.h"
#include "settings/encodersettings.h"
#include "settings/settingsfile.h"

namespace {

// The components take booleans the automation way.
int automation(bool value) {
    return value ? -1 : 0;
}

void applyMp3(const EncoderSettings::Mp3& s, IAudioFile2& writer, IAudioFile2LameEnc& encoder) {
    if (!s.usePreset && !s.useAltPreset) {
        encoder.SetWriteVbrHeader(automation(s.vbrHeader));
        encoder.SetEnforceMinBitrate(automation(s.enforceMinBitrate));
        encoder.SetCrc(automation(s.crc));
        encoder.SetAllowDiffBlocks(automation(s.allowDiffBlocks));
        encoder.SetBitReservoir(automation(s.bitReservoir));
        encoder.SetShortBlocks(automation(s.shortBlocks));
        encoder.SetStrictIso(automation(s.strictIso));
        encoder.SetHighpassFrequency(s.highpassFrequency);
        encoder.SetLowpassFrequency(s.lowpassFrequency);
        encoder.SetVbrMethod(s.vbrMethod);
        encoder.SetAthMode(s.athMode);
        if (s.channel == 0)
            encoder.SetMono(1);
        else
            encoder.SetChannelMode(s.channel);
        encoder.SetDeemphasis(s.deemphasis);
        encoder.SetQuality(s.quality);
        encoder.SetBitrate(s.bitrate);
        encoder.SetVbrBitrate(s.vbrBitrate);
        encoder.SetHighpassWidth(s.highpassWidth);
        encoder.SetLowpassWidth(s.lowpassWidth);
        encoder.SetVbrQuality(s.vbrQuality);
        encoder.SetSampleRate(s.sampleRate);
    } else {
        if (s.usePreset)
            encoder.SetPreset(s.preset);
        if (s.useAltPreset)
            encoder.SetAltPreset(s.altPreset);
    }
    if (!s.commandLine.isEmpty())
        encoder.SetCommandLine(s.commandLine);
    writer.SetMp3Encoder(&encoder);
}

void applyWav(const EncoderSettings::Wav& s, IAudioFile2& writer) {
    if (writer.GetIsOpen())
        writer.Close();
    writer.SetWavFormat(s.sampleRate, s.channels, s.bits);
}

void applyWma(int profile, IAudioFile2& writer) {
    writer.ResetFormat(-1);
    writer.SetWmaProfile(profile);
}

void applyOgg(const EncoderSettings::Ogg& s, IAudioFile2& writer) {
    if (!s.vbr && !s.qualityMode)
        writer.SetOggFormat(s.sampleRate, s.channels, s.bitrate, 0, 0, -1);
    if (s.qualityMode)
        writer.SetOggFormat(s.sampleRate, s.channels, 0, 0, 0, s.quality);
    if (s.vbr)
        writer.SetOggFormat(s.sampleRate, s.channels, s.bitrate, s.minBitrate, s.maxBitrate, -1);
}

} // namespace

void ApplyEncoderSettings(int format, const EncoderSettings& settings, IAudioFile2& writer,
                          IAudioFile2LameEnc& encoder) {
    switch (format) {
    case 0:
        applyMp3(settings.mp3, writer, encoder);
        break;
    case 1:
        applyWav(settings.wav, writer);
        break;
    case 2:
        applyWma(settings.wmaProfile, writer);
        break;
    case 3:
        applyOgg(settings.ogg, writer);
        break;
    default:
        break;
    }
}

void ApplyEncoderSettings(int format, const SettingsFile& settings, IAudioFile2& writer,
                          IAudioFile2LameEnc& encoder, const QString& commandLine) {
    ApplyEncoderSettings(format, EncoderSettings::read(settings, commandLine), writer, encoder);
}

void ApplyCdReadingOptions(const SettingsFile& settings, IAudioCDGrabber2& grabber) {
    using namespace CdReadingKeys;
    grabber.SetReadMode(settings.readPosition(ModeForGrabber, ModeCount));
    grabber.SetRetryCount(settings.readInRange(RetriesForGrabber, RetriesMin, RetriesMax));
    grabber.SetErrorAction(settings.readPosition(ErrorAction, ErrorActionCount));
}
