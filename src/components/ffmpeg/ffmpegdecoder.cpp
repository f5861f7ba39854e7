#include "components/ffmpeg/ffmpegdecoder.h"

#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegsupport.h"

#include <algorithm>
#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

// A damaged file may hold a few bad packets; this many in a row means there is no more sound.
constexpr int MaxErrorsInARow = 100;
// A bad caller must not make one read allocate without bound.
constexpr qint64 MaxFramesPerRead = qint64(1) << 24;

} // namespace

struct FfmpegDecoder::Private {
    QString path;
    Container container = Container::Probe;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int rate = 0;
    int channels = 0;
    qint64 length = 0;
    qint64 position = 0;
    qint64 startTime = 0; // in stream time base
    // The Vox demuxer counts bytes, and each byte holds two samples.
    int timestampScale = 1;
    // What the resampler was set up for, so that a change mid-file sets it up again.
    int swrFormat = -1;
    int swrRate = 0;
    AVChannelLayout swrLayout{};
    QByteArray pending;
    int pendingOffset = 0;
    qint64 discardUntil = -1; // after a seek: decoded frames before it are dropped
    bool drainStarted = false;

    ~Private() { release(); }

    [[noreturn]] void fail(const QString& why) {
        release();
        throw ComponentError(QStringLiteral("Cannot open %1: %2").arg(path, why));
    }

    void release() {
        swr_free(&swr);
        av_channel_layout_uninit(&swrLayout);
        swrFormat = -1;
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        av_packet_free(&packet);
        av_frame_free(&frame);
        stream = -1;
        pending.clear();
        pendingOffset = 0;
        discardUntil = -1;
        drainStarted = false;
        position = 0;
    }

    void openInput();
    int findAudioStream();
    bool decodeMore();
    void append(const AVFrame* decoded);
    void convert(const AVFrame* decoded, int skipFrames);
    qint64 framesAt(int64_t timestamp) const;
};

void FfmpegDecoder::Private::openInput() {
    const QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("the file does not exist."));
    if (!info.isFile() || !info.isReadable())
        fail(QStringLiteral("the file cannot be read."));
    if (info.size() == 0)
        fail(QStringLiteral("the file is empty."));

    const AVInputFormat* inputFormat = nullptr;
    AVDictionary* options = nullptr;
    // Only local files: a crafted playlist must not make Orvelle reach the network.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    if (container == Container::RawPcm) {
        inputFormat = av_find_input_format("s16le");
        av_dict_set(&options, "sample_rate", "44100", 0);
        av_dict_set(&options, "ch_layout", "stereo", 0);
    } else if (container == Container::Vox) {
        // FFmpeg has no Vox demuxer: read the bytes as they are, decode them as Dialogic ADPCM.
        inputFormat = av_find_input_format("u8");
        av_dict_set(&options, "sample_rate", "8000", 0);
        av_dict_set(&options, "ch_layout", "mono", 0);
        timestampScale = 2;
    }
    FfmpegSupport::quietLibrary();
    int result = avformat_open_input(&format, FfmpegSupport::fileUrl(path).constData(), inputFormat,
                                     &options);
    av_dict_free(&options);
    if (result < 0)
        fail(QStringLiteral("it is not a sound or video file that Orvelle can read (%1).")
                 .arg(FfmpegSupport::errorText(result)));
    result = avformat_find_stream_info(format, nullptr);
    if (result < 0)
        fail(QStringLiteral("its streams cannot be read (%1).")
                 .arg(FfmpegSupport::errorText(result)));

    stream = findAudioStream();
    AVStream* audio = format->streams[stream];
    const AVCodec* decoder = avcodec_find_decoder(audio->codecpar->codec_id);
    codec = avcodec_alloc_context3(decoder);
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (!codec || !packet || !frame)
        fail(QStringLiteral("out of memory."));
    avcodec_parameters_to_context(codec, audio->codecpar);
    codec->pkt_timebase = audio->time_base;
    result = avcodec_open2(codec, decoder, nullptr);
    if (result < 0)
        fail(QStringLiteral("its sound cannot be decoded (%1).")
                 .arg(FfmpegSupport::errorText(result)));
    rate = codec->sample_rate;
    channels = std::min(codec->ch_layout.nb_channels, 2);
    if (rate <= 0 || channels <= 0)
        fail(QStringLiteral("its sound has no valid sample rate or channel count."));
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (int(i) != stream)
            format->streams[i]->discard = AVDISCARD_ALL;

    startTime = audio->start_time != AV_NOPTS_VALUE ? audio->start_time : 0;
    if (container == Container::Vox)
        length = info.size() * 2; // the container's own duration is off by the factor two
    else if (audio->duration != AV_NOPTS_VALUE && audio->duration > 0)
        length = av_rescale_q(audio->duration, audio->time_base, AVRational{1, rate});
    else if (format->duration > 0)
        length = av_rescale(format->duration, rate, AV_TIME_BASE);
    else
        length = 0;

    // A file is only accepted when some of its sound really decodes: this catches
    // truncated files and files with a borrowed extension at once.
    while (pending.size() == 0 && decodeMore()) {
    }
    if (pending.size() == 0)
        fail(QStringLiteral("it holds no sound that can be decoded."));
}

int FfmpegDecoder::Private::findAudioStream() {
    bool audioWithoutDecoder = false;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVCodecParameters* parameters = format->streams[i]->codecpar;
        if (parameters->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        if (container == Container::Vox)
            parameters->codec_id = AV_CODEC_ID_ADPCM_IMA_OKI;
        if (avcodec_find_decoder(parameters->codec_id))
            return int(i);
        audioWithoutDecoder = true;
    }
    if (audioWithoutDecoder)
        fail(QStringLiteral("its sound is in a format that Orvelle cannot decode."));
    fail(QStringLiteral("it has no sound."));
}

qint64 FfmpegDecoder::Private::framesAt(int64_t timestamp) const {
    const AVRational timeBase = format->streams[stream]->time_base;
    return av_rescale_q(timestamp - startTime, timeBase, AVRational{1, rate}) * timestampScale;
}

bool FfmpegDecoder::Private::decodeMore() {
    int errorsInARow = 0;
    for (;;) {
        int result = avcodec_receive_frame(codec, frame);
        if (result == 0) {
            append(frame);
            av_frame_unref(frame);
            return true;
        }
        if (result == AVERROR_EOF)
            return false;
        if (result != AVERROR(EAGAIN)) {
            if (++errorsInARow > MaxErrorsInARow)
                return false;
            continue;
        }
        if (drainStarted)
            return false;
        result = av_read_frame(format, packet);
        if (result < 0) {
            // The end, or a file cut short: hand out what the decoder still holds.
            avcodec_send_packet(codec, nullptr);
            drainStarted = true;
            continue;
        }
        if (packet->stream_index != stream) {
            av_packet_unref(packet);
            continue;
        }
        result = avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        if (result < 0 && ++errorsInARow > MaxErrorsInARow)
            return false;
        if (result >= 0)
            errorsInARow = 0;
    }
}

void FfmpegDecoder::Private::append(const AVFrame* decoded) {
    int skip = 0;
    if (discardUntil >= 0) {
        const int64_t timestamp = decoded->best_effort_timestamp;
        if (timestamp != AV_NOPTS_VALUE) {
            const qint64 first = framesAt(timestamp);
            const qint64 toDrop = discardUntil - first;
            if (toDrop >= decoded->nb_samples)
                return;
            skip = int(std::max<qint64>(toDrop, 0));
        }
        discardUntil = -1;
    }
    convert(decoded, skip);
}

void FfmpegDecoder::Private::convert(const AVFrame* decoded, int skipFrames) {
    const int blockAlign = channels * 2;
    if (decoded->format == AV_SAMPLE_FMT_S16 && decoded->ch_layout.nb_channels == channels &&
        decoded->sample_rate == rate) {
        const int frames = decoded->nb_samples - skipFrames;
        pending.append(reinterpret_cast<const char*>(decoded->data[0]) + skipFrames * blockAlign,
                       frames * blockAlign);
        return;
    }
    if (!swr || swrFormat != decoded->format || swrRate != decoded->sample_rate ||
        av_channel_layout_compare(&swrLayout, &decoded->ch_layout) != 0) {
        swr_free(&swr);
        av_channel_layout_uninit(&swrLayout);
        av_channel_layout_copy(&swrLayout, &decoded->ch_layout);
        swrFormat = decoded->format;
        swrRate = decoded->sample_rate;
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels);
        int result = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, rate, &swrLayout,
                                         AVSampleFormat(swrFormat), swrRate, 0, nullptr);
        av_channel_layout_uninit(&out);
        if (result >= 0) {
            // A mix-down must not clip.
            av_opt_set_double(swr, "rematrix_maxval", 1.0, 0);
            result = swr_init(swr);
        }
        if (result < 0) {
            swr_free(&swr);
            throw ComponentError(
                QStringLiteral("Cannot decode %1: its sound cannot be converted (%2).")
                    .arg(path, FfmpegSupport::errorText(result)));
        }
    }
    const int capacity = swr_get_out_samples(swr, decoded->nb_samples);
    const int oldSize = pending.size();
    pending.resize(oldSize + capacity * blockAlign);
    auto* out = reinterpret_cast<uint8_t*>(pending.data() + oldSize);
    const int converted =
        swr_convert(swr, &out, capacity, const_cast<const uint8_t**>(decoded->extended_data),
                    decoded->nb_samples);
    const int kept = std::max(converted - skipFrames, 0);
    if (skipFrames > 0 && kept > 0)
        memmove(out, out + skipFrames * blockAlign, size_t(kept) * blockAlign);
    pending.resize(oldSize + kept * blockAlign);
}

FfmpegDecoder::FfmpegDecoder() : d(std::make_unique<Private>()) {}

FfmpegDecoder::~FfmpegDecoder() = default;

void FfmpegDecoder::open(const QString& path, Container container) {
    d->release();
    d->path = path;
    d->container = container;
    d->timestampScale = 1;
    d->openInput();
}

void FfmpegDecoder::close() {
    d->release();
}

bool FfmpegDecoder::isOpen() const {
    return d->format != nullptr;
}

int FfmpegDecoder::sampleRate() const {
    return d->rate;
}

int FfmpegDecoder::channels() const {
    return d->channels;
}

qint64 FfmpegDecoder::length() const {
    return isOpen() ? d->length : 0;
}

qint64 FfmpegDecoder::position() const {
    return d->position;
}

QByteArray FfmpegDecoder::read(qint64 frames) {
    if (!isOpen())
        throw ComponentError(QStringLiteral("Cannot read: no file is open."));
    const int blockAlign = d->channels * 2;
    const qint64 wanted = std::clamp<qint64>(frames, 0, MaxFramesPerRead) * blockAlign;
    while (d->pending.size() - d->pendingOffset < wanted && d->decodeMore()) {
    }
    const qint64 available = d->pending.size() - d->pendingOffset;
    const int bytes = int(std::min(wanted, available / blockAlign * blockAlign));
    QByteArray result = d->pending.mid(d->pendingOffset, bytes);
    d->pendingOffset += bytes;
    d->position += bytes / blockAlign;
    if (d->pendingOffset == d->pending.size()) {
        d->pending.clear();
        d->pendingOffset = 0;
    } else if (d->pendingOffset > (1 << 20)) {
        d->pending.remove(0, d->pendingOffset);
        d->pendingOffset = 0;
    }
    return result;
}

void FfmpegDecoder::seek(qint64 frame) {
    if (!isOpen())
        throw ComponentError(QStringLiteral("Cannot seek: no file is open."));
    frame = std::max<qint64>(frame, 0);
    if (d->length > 0)
        frame = std::min(frame, d->length);
    const AVRational timeBase = d->format->streams[d->stream]->time_base;
    const int64_t target =
        av_rescale_q(frame / d->timestampScale, AVRational{1, d->rate}, timeBase) + d->startTime;
    int result = avformat_seek_file(d->format, d->stream, INT64_MIN, target, target, 0);
    if (result < 0)
        result = av_seek_frame(d->format, d->stream, target, AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        // Some files cannot seek: start again and decode up to the place.
        const QString path = d->path;
        open(path, d->container);
        while (d->position < frame &&
               !read(std::min<qint64>(frame - d->position, 1 << 16)).isEmpty()) {
        }
        return;
    }
    avcodec_flush_buffers(d->codec);
    d->drainStarted = false;
    d->pending.clear();
    d->pendingOffset = 0;
    d->discardUntil = frame;
    d->position = frame;
}
