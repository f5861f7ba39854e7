#include "settings/encodersettings.h"

#include "settings/flackeys.h"
#include "settings/lookuptables.h"
#include "settings/mp3keys.h"
#include "settings/oggkeys.h"
#include "settings/opuskeys.h"
#include "settings/rmkeys.h"
#include "settings/settingsfile.h"
#include "settings/wavkeys.h"
#include "settings/wmakeys.h"

namespace {

constexpr int FilterMaxHz = 48000;

EncoderSettings::Mp3 readMp3(const SettingsFile& s) {
    using namespace Mp3Keys;
    EncoderSettings::Mp3 mp3;
    mp3.usePreset = s.read(UsePreset);
    mp3.useAltPreset = s.read(UseAltPreset);
    mp3.preset = s.readPosition(Preset, PresetCount) + 1;
    mp3.altPreset = s.readPosition(AltPreset, AltPresetCount) + 1;
    mp3.vbrHeader = s.read(VbrHeader);
    mp3.enforceMinBitrate = s.read(EnforceMinBitrate);
    mp3.crc = s.read(Crc);
    mp3.allowDiffBlocks = s.read(AllowDiffBlocks);
    mp3.bitReservoir = s.read(BitReservoir);
    mp3.shortBlocks = s.read(ShortBlocks);
    mp3.strictIso = s.read(StrictIso);
    mp3.highpassFrequency =
        s.read(HighpassOn) ? s.readInRange(HighpassFrequency, 0, FilterMaxHz) : -1;
    mp3.lowpassFrequency = s.read(LowpassOn) ? s.readInRange(LowpassFrequency, 0, FilterMaxHz) : -1;
    mp3.highpassWidth = s.readInRange(HighpassWidth, 0, FilterMaxHz);
    mp3.lowpassWidth = s.readInRange(LowpassWidth, 0, FilterMaxHz);
    mp3.vbrMethod = s.readPosition(CodingMethod, CodingMethodCount) - 1;
    mp3.athMode = s.readPosition(Ath, AthCount);
    mp3.channel = s.readPosition(Channel, ChannelModeCount);
    mp3.deemphasis = s.readPosition(Deemphasis, DeemphasisCount);
    mp3.quality = s.readPosition(Quality, QualityCount);
    mp3.vbrQuality = s.readPosition(VbrQuality, QualityCount);
    mp3.bitrate = LookupTables::bitrate(s, Bitrate);
    mp3.vbrBitrate = LookupTables::bitrate(s, VbrBitrate);
    mp3.sampleRate = LookupTables::sampleRate(s, Frequency);
    return mp3;
}

EncoderSettings::Wav readWav(const SettingsFile& s) {
    using namespace WavKeys;
    switch (s.readPosition(Mode, ModeCount)) {
    case 0: // CD quality
        return {44100, 2, 16, false};
    case 1: // best quality
        return {48000, 2, 32, false};
    case 2: // custom
        return {LookupTables::sampleRate(s, Frequency), s.readPosition(Channel, ChannelCount) + 1,
                LookupTables::sampleWidth(s, Bit), false};
    default:
        return {};
    }
}

EncoderSettings::Ogg readOgg(const SettingsFile& s) {
    using namespace OggKeys;
    EncoderSettings::Ogg ogg;
    ogg.sampleRate = LookupTables::sampleRate(s, Frequency);
    ogg.channels = s.readPosition(Channel, ChannelCount) + 1;
    ogg.bitrate = LookupTables::bitrate(s, Bitrate);
    ogg.minBitrate = LookupTables::bitrate(s, MinBitrate);
    ogg.maxBitrate = LookupTables::bitrate(s, MaxBitrate);
    ogg.quality = s.readInRange(Quality, 0, QualityMax);
    ogg.vbr = s.read(Vbr);
    ogg.qualityMode = s.read(QualityMode);
    return ogg;
}

EncoderSettings::Opus readOpus(const SettingsFile& s) {
    using namespace OpusKeys;
    EncoderSettings::Opus opus;
    opus.bitrate = s.readInRange(Bitrate, BitrateMin, BitrateMax);
    opus.mode = static_cast<EncoderSettings::OpusMode>(s.readPosition(Mode, ModeCount));
    opus.complexity = s.readInRange(Complexity, 0, ComplexityMax);
    return opus;
}

} // namespace

EncoderSettings EncoderSettings::read(const SettingsFile& settings, const QString& mp3CommandLine) {
    EncoderSettings snapshot;
    snapshot.mp3 = readMp3(settings);
    snapshot.mp3.commandLine = mp3CommandLine;
    snapshot.wav = readWav(settings);
    snapshot.wmaProfile = settings.readPosition(WmaKeys::Format, WmaKeys::ProfileCount);
    snapshot.rmFormat = settings.read(RmKeys::Format);
    snapshot.ogg = readOgg(settings);
    snapshot.flac.level = settings.readInRange(FlacKeys::Level, 0, FlacKeys::LevelMax);
    snapshot.opus = readOpus(settings);
    return snapshot;
}
