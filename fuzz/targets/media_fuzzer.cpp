#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegdecoder.h"
#include "fuzzfile.h"

// Opens the bytes as a media file and decodes them as a lossless output takes
// them and as the player does, noting damage on the way. A playlist is
// refused, a damaged file gives what it holds: never a crash.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzzFile("fuzz.media", data, size);
    for (const auto delivery :
         {FfmpegDecoder::Delivery::Source, FfmpegDecoder::Delivery::Playback}) {
        FfmpegDecoder decoder;
        try {
            decoder.open(path, FfmpegDecoder::Container::Probe, delivery);
            // A header may promise hours; a few seconds' worth tell as much.
            qint64 frames = 0;
            for (QByteArray block; frames < (1 << 19) && !(block = decoder.read(8192)).isEmpty();)
                frames += block.size() / decoder.blockAlign();
            (void)decoder.damage().text();
            (void)decoder.sourceFormat().text();
        } catch (const ComponentError&) {
        }
    }
    return 0;
}
