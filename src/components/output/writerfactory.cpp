#include "components/output/writerfactory.h"

#include "components/lame/mp3lameencoder.h"
#include "components/output/outputwriter.h"
#include "settings/applyencodersettings.h"
#include "settings/encodersettings.h"

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

std::unique_ptr<IAudioFile2> makeWriter(OutputFormat format, const EncoderSettings& settings) {
    auto writer = std::make_unique<OutputWriter>();
    switch (format) {
    case FormatMp3:
    case FormatWav:
    case FormatWma:
    case FormatOgg: {
        // The writer copies the encoder's settings, so the encoder may go.
        Mp3LameEncoder encoder;
        ApplyEncoderSettings(format, settings, *writer, encoder);
        return writer;
    }
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
