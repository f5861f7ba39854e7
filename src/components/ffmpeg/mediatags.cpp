#include "components/ffmpeg/mediatags.h"

#include "components/ffmpeg/localmediainput.h"
#include "values/tagtext.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

QString value(const AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry ? TagText::trimmed(QString::fromUtf8(entry->value)) : QString();
}

void fill(RowTag& tag, const AVDictionary* metadata) {
    const auto take = [&](QString& field, const char* key) {
        if (field.isEmpty())
            field = value(metadata, key);
    };
    take(tag.title, "title");
    take(tag.artist, "artist");
    take(tag.album, "album");
}

bool complete(const RowTag& tag) {
    return !tag.title.isEmpty() && !tag.artist.isEmpty() && !tag.album.isEmpty();
}

void fillFrom(RowTag& tag, const AVFormatContext* format) {
    fill(tag, format->metadata);
    for (unsigned i = 0; i < format->nb_streams && !complete(tag); ++i)
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            fill(tag, format->streams[i]->metadata);
}

} // namespace

RowTag readMediaTags(const QString& path) {
    LocalMediaInput input;
    RowTag tag;
    if (!input.open(path))
        return tag;
    AVFormatContext* format = input.context();
    fillFrom(tag, format);
    // Some containers name their streams' tags only once the streams are probed.
    if (!complete(tag) && avformat_find_stream_info(format, nullptr) >= 0)
        fillFrom(tag, format);
    return tag;
}
