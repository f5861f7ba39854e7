#include "components/output/writerfactory.h"

#include "components/lame/mp3lameencoder.h"
#include "components/output/outputwriter.h"
#include "settings/applyencodersettings.h"

std::unique_ptr<IAudioFile2> makeWriter(OutputFormat format, const EncoderSettings& settings) {
    switch (format) {
    case FormatMp3:
    case FormatWav:
    case FormatWma:
    case FormatOgg:
        break;
    default:
        return nullptr;
    }
    auto writer = std::make_unique<OutputWriter>();
    // The writer copies the encoder's settings, so the encoder may go.
    Mp3LameEncoder encoder;
    ApplyEncoderSettings(format, settings, *writer, encoder);
    return writer;
}
