#include "components/ffmpeg/attachedpicture.h"

#include "components/ffmpeg/localmediainput.h"

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
    LocalMediaInput input;
    if (!input.open(path))
        return {};
    AttachedPicture attached;
    // The demuxers put attached pictures in place while they read the header.
    if (const AVPacket* picture = chosenPicture(input.context()))
        attached.data = QByteArray(reinterpret_cast<const char*>(picture->data), picture->size);
    attached.asf = qstrcmp(input.context()->iformat->name, "asf") == 0;
    return attached;
}
