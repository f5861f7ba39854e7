#include "components/ffmpeg/attachedpicture.h"

#include "components/ffmpeg/ffmpegsupport.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {

// The first attached picture, a front cover before any other; null when none.
const AVPacket* chosenPicture(const AVFormatContext* format) {
    const AVPacket* first = nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (!(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) || stream->attached_pic.size <= 0)
            continue;
        // FFmpeg names a picture's type in the stream's comment, as ID3 lists them.
        const AVDictionaryEntry* kind = av_dict_get(stream->metadata, "comment", nullptr, 0);
        if (kind && qstrcmp(kind->value, "Cover (front)") == 0)
            return &stream->attached_pic;
        if (!first)
            first = &stream->attached_pic;
    }
    return first;
}

} // namespace

AttachedPicture readAttachedPicture(const QString& path) {
    FfmpegSupport::quietLibrary();
    AVFormatContext* format = nullptr;
    AVDictionary* options = nullptr;
    // Only the local file: a playlist or a crafted header must not reach the network.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int result =
        avformat_open_input(&format, FfmpegSupport::fileUrl(path).constData(), nullptr, &options);
    av_dict_free(&options);
    if (result < 0)
        return {};
    AttachedPicture attached;
    // The demuxers put attached pictures in place while they read the header.
    if (const AVPacket* picture = chosenPicture(format))
        attached.data = QByteArray(reinterpret_cast<const char*>(picture->data), picture->size);
    attached.asf = qstrcmp(format->iformat->name, "asf") == 0;
    avformat_close_input(&format);
    return attached;
}
