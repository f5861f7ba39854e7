#include "settings/applyencodersettings.h"

#include "components/iaudiocdgrabber2.h"
#include "components/iaudiofile2.h"
#include "components/iaudiofile2lameenc.h"
#include "settings/cdreadingkeys.h"
#include "settings/lookuptables.h"
#include "settings/mp3keys.h"
#include "settings/oggkeys.h"
#include "settings/settingsfile.h"
#include "settings/wavkeys.h"
#include "settings/wmakeys.h"

namespace {

// The components take booleans the automation way.
int automation(bool value) {
    return value ? -1 : 0;
}

int readInRange(const SettingsFile& settings, const IntKey& key, int low, int high) {
    const int value = settings.read(key);
    return value >= low && value <= high ? value : key.defaultValue;
}

constexpr int FilterMaxHz = 48000;

void applyMp3(const SettingsFile& s, IAudioFile2& writer, IAudioFile2LameEnc& encoder,
              const QString& commandLine) {
    using namespace Mp3Keys;
    const bool preset = s.read(UsePreset);
    const bool altPreset = s.read(UseAltPreset);
    if (!preset && !altPreset) {
        encoder.SetWriteVbrHeader(automation(s.read(VbrHeader)));
        encoder.SetEnforceMinBitrate(automation(s.read(EnforceMinBitrate)));
        encoder.SetCrc(automation(s.read(Crc)));
        encoder.SetAllowDiffBlocks(automation(s.read(AllowDiffBlocks)));
        encoder.SetBitReservoir(automation(s.read(BitReservoir)));
        encoder.SetShortBlocks(automation(s.read(ShortBlocks)));
        encoder.SetStrictIso(automation(s.read(StrictIso)));
        encoder.SetHighpassFrequency(
            s.read(HighpassOn) ? readInRange(s, HighpassFrequency, 0, FilterMaxHz) : -1);
        encoder.SetLowpassFrequency(
            s.read(LowpassOn) ? readInRange(s, LowpassFrequency, 0, FilterMaxHz) : -1);
        encoder.SetVbrMethod(s.readPosition(CodingMethod, CodingMethodCount) - 1);
        encoder.SetAthMode(s.readPosition(Ath, AthCount));
        const int channel = s.readPosition(Channel, ChannelModeCount);
        if (channel == 0)
            encoder.SetMono(1);
        else
            encoder.SetChannelMode(channel);
        encoder.SetDeemphasis(s.readPosition(Deemphasis, DeemphasisCount));
        encoder.SetQuality(s.readPosition(Quality, QualityCount));
        encoder.SetBitrate(LookupTables::bitrate(s, Bitrate));
        encoder.SetVbrBitrate(LookupTables::bitrate(s, VbrBitrate));
        encoder.SetHighpassWidth(readInRange(s, HighpassWidth, 0, FilterMaxHz));
        encoder.SetLowpassWidth(readInRange(s, LowpassWidth, 0, FilterMaxHz));
        encoder.SetVbrQuality(s.readPosition(VbrQuality, QualityCount));
        encoder.SetSampleRate(LookupTables::sampleRate(s, Frequency));
    } else {
        if (preset)
            encoder.SetPreset(s.readPosition(Preset, PresetCount) + 1);
        if (altPreset)
            encoder.SetAltPreset(s.readPosition(AltPreset, AltPresetCount) + 1);
    }
    if (!commandLine.isEmpty())
        encoder.SetCommandLine(commandLine);
    writer.SetMp3Encoder(&encoder);
}

void applyWav(const SettingsFile& s, IAudioFile2& writer) {
    using namespace WavKeys;
    if (writer.GetIsOpen())
        writer.Close();
    switch (s.readPosition(Mode, ModeCount)) {
    case 0:
        writer.SetWavFormat(44100, 2, 16);
        break;
    case 1:
        writer.SetWavFormat(48000, 2, 32);
        break;
    default:
        writer.SetWavFormat(LookupTables::sampleRate(s, Frequency),
                            s.readPosition(Channel, ChannelCount) + 1,
                            LookupTables::sampleWidth(s, Bit));
        break;
    }
}

void applyWma(const SettingsFile& s, IAudioFile2& writer) {
    writer.ResetFormat(-1);
    writer.SetWmaProfile(s.readPosition(WmaKeys::Format, WmaKeys::ProfileCount));
}

void applyOgg(const SettingsFile& s, IAudioFile2& writer) {
    using namespace OggKeys;
    const int rate = LookupTables::sampleRate(s, Frequency);
    const int channels = s.readPosition(Channel, ChannelCount) + 1;
    const bool vbr = s.read(Vbr);
    const bool qualityMode = s.read(QualityMode);
    if (!vbr && !qualityMode)
        writer.SetOggFormat(rate, channels, LookupTables::bitrate(s, Bitrate), 0, 0, -1);
    if (qualityMode)
        writer.SetOggFormat(rate, channels, 0, 0, 0, readInRange(s, Quality, 0, QualityMax));
    if (vbr)
        writer.SetOggFormat(rate, channels, LookupTables::bitrate(s, Bitrate),
                            LookupTables::bitrate(s, MinBitrate),
                            LookupTables::bitrate(s, MaxBitrate), -1);
}

} // namespace

void ApplyEncoderSettings(int format, const SettingsFile& settings, IAudioFile2& writer,
                          IAudioFile2LameEnc& encoder, const QString& commandLine) {
    switch (format) {
    case 0:
        applyMp3(settings, writer, encoder, commandLine);
        break;
    case 1:
        applyWav(settings, writer);
        break;
    case 2:
        applyWma(settings, writer);
        break;
    case 3:
        applyOgg(settings, writer);
        break;
    default:
        break;
    }
}

void ApplyCdReadingOptions(const SettingsFile& settings, IAudioCDGrabber2& grabber) {
    using namespace CdReadingKeys;
    grabber.SetReadMode(settings.readPosition(ModeForGrabber, ModeCount));
    grabber.SetRetryCount(readInRange(settings, RetriesForGrabber, RetriesMin, RetriesMax));
    grabber.SetErrorAction(settings.readPosition(ErrorAction, ErrorActionCount));
}
