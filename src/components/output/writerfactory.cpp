#include "components/output/writerfactory.h"

#include "components/lame/lamecommandline.h"
#include "components/output/outputwriter.h"

namespace {

OpusWriter::Mode opusMode(EncoderSettings::OpusMode mode) {
    switch (mode) {
    case EncoderSettings::OpusMode::ConstrainedVbr:
        return OpusWriter::Mode::ConstrainedVbr;
    case EncoderSettings::OpusMode::Cbr:
        return OpusWriter::Mode::Cbr;
    case EncoderSettings::OpusMode::Vbr:
        break;
    }
    return OpusWriter::Mode::Vbr;
}

} // namespace

LameSettings lameSettingsFor(const EncoderSettings::Mp3& s) {
    LameSettings lame;
    if (s.usePreset || s.useAltPreset) {
        lame.preset = s.useAltPreset ? 0 : s.preset;
        lame.altPreset = s.useAltPreset ? s.altPreset : 0;
    } else {
        lame.writeVbrHeader = s.vbrHeader;
        lame.enforceMinBitrate = s.enforceMinBitrate;
        lame.crc = s.crc;
        lame.allowDiffBlocks = s.allowDiffBlocks;
        lame.bitReservoir = s.bitReservoir;
        lame.shortBlocks = s.shortBlocks;
        lame.strictIso = s.strictIso;
        lame.highpassFrequency = s.highpassFrequency;
        lame.lowpassFrequency = s.lowpassFrequency;
        lame.vbrMethod = s.vbrMethod;
        lame.athMode = s.athMode;
        lame.channelMode = s.channel;
        lame.deemphasis = s.deemphasis;
        lame.quality = s.quality;
        lame.bitrate = s.bitrate;
        lame.vbrBitrate = s.vbrBitrate;
        lame.highpassWidth = s.highpassWidth;
        lame.lowpassWidth = s.lowpassWidth;
        lame.vbrQuality = s.vbrQuality;
        lame.sampleRate = s.sampleRate;
    }
    checkLameSettings(lame);
    if (!s.commandLine.isEmpty())
        applyLameCommandLine(lame, s.commandLine);
    return lame;
}

OggVorbisWriter::Settings oggSettingsFor(const EncoderSettings::Ogg& s) {
    if (s.vbr)
        return {s.sampleRate, s.channels, s.bitrate, s.minBitrate, s.maxBitrate, -1};
    if (s.qualityMode)
        return {s.sampleRate, s.channels, 0, 0, 0, s.quality};
    return {s.sampleRate, s.channels, s.bitrate, 0, 0, -1};
}

std::unique_ptr<AudioWriter> makeWriter(OutputFormat format, const EncoderSettings& settings) {
    auto writer = std::make_unique<OutputWriter>();
    switch (format) {
    case FormatMp3:
        writer->setMp3Settings(lameSettingsFor(settings.mp3));
        return writer;
    case FormatWav:
        if (settings.wav.asSource)
            writer->setWavAsSource();
        else
            writer->setWavFormat(settings.wav.sampleRate, settings.wav.channels, settings.wav.bits);
        return writer;
    case FormatWma:
        writer->setWmaProfile(settings.wmaProfile);
        return writer;
    case FormatOgg:
        writer->setOggFormat(oggSettingsFor(settings.ogg));
        return writer;
    case FormatFlac:
        writer->setFlacFormat(settings.flac.level);
        return writer;
    case FormatOpus:
        writer->setOpusFormat(settings.opus.bitrate, opusMode(settings.opus.mode),
                              settings.opus.complexity);
        return writer;
    case FormatRm:
    case FormatSet:
        break;
    }
    return nullptr;
}
