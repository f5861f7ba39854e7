#include "components/ffmpeg/ffmpegdecoder.h"

#include "components/ffmpeg/pcmresampler.h"

#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegsupport.h"
#include "components/ffmpeg/localmediainput.h"

#include <algorithm>

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
// The most channels an output keeps; a source with more is mixed down to stereo.
constexpr int MaxKeptChannels = 8;
// The speakers WAVE_FORMAT_EXTENSIBLE names; a layout beyond them has no mask.
constexpr quint64 ExtensibleSpeakers = 0x3FFFF;

// The source's own samples as Orvelle carries them. Lossy sound has no bit
// depth of its own and comes as 16-bit, as it always has; so does the float
// output of a codec that may be lossy (a DTS core) but need not be.
void takeSampleType(PcmFormat& format, AVSampleFormat decoded, int rawBits, int props) {
    format.type = SampleType::Int16;
    format.bits = 16;
    if (!(props & AV_CODEC_PROP_LOSSLESS))
        return;
    switch (av_get_packed_sample_fmt(decoded)) {
    case AV_SAMPLE_FMT_U8:
        format.bits = 8;
        break;
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S64:
        if (rawBits > 0 && rawBits <= 16)
            break;
        format.type = SampleType::Int32;
        format.bits = rawBits > 16 && rawBits <= 24 ? 24 : 32;
        break;
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
        if (props & AV_CODEC_PROP_LOSSY)
            break;
        format.type = SampleType::Float32;
        format.bits = 32;
        break;
    default:
        break;
    }
}

} // namespace

struct FfmpegDecoder::Private {
    QString path;
    Container container = Container::Probe;
    Delivery delivery = Delivery::Playback;
    LocalMediaInput input;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int rate = 0;
    int channels = 0;
    PcmFormat out; // what read() hands out, once the first frame has shown it
    PcmFormat own; // what the file holds
    bool outChosen = false;
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
    // Damage, as far as reading from the start has shown it.
    SourceDamage damage;
    qint64 produced = 0;  // frames decoded since the start
    int largestFrame = 0; // the most frames one decoded frame held
    bool seeked = false;  // the end then says nothing of the file's length

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
        input.close();
        format = nullptr;
        av_packet_free(&packet);
        av_frame_free(&frame);
        stream = -1;
        pending.clear();
        pendingOffset = 0;
        discardUntil = -1;
        drainStarted = false;
        position = 0;
        outChosen = false;
        damage = {};
        produced = 0;
        largestFrame = 0;
        seeked = false;
    }

    void openInput();
    int findAudioStream();
    void chooseOutput(const AVFrame* decoded);
    void noteCorrupt();
    void noteEnd();
    bool decodeMore();
    void append(const AVFrame* decoded);
    void convert(const AVFrame* decoded, int skipFrames);
    qint64 framesAt(int64_t timestamp) const;
};

void FfmpegDecoder::Private::openInput() {
    const AVInputFormat* inputFormat = nullptr;
    AVDictionary* options = nullptr;
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
    QString why;
    const bool opened = input.open(path, inputFormat, &options, &why);
    av_dict_free(&options);
    if (!opened)
        fail(why);
    format = input.context();
    int result = 0;
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
    const int sourceChannels = codec->ch_layout.nb_channels;
    channels = delivery == Delivery::Source && sourceChannels <= MaxKeptChannels
                   ? sourceChannels
                   : std::min(sourceChannels, 2);
    if (rate <= 0 || channels <= 0)
        fail(QStringLiteral("its sound has no valid sample rate or channel count."));
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (int(i) != stream)
            format->streams[i]->discard = AVDISCARD_ALL;

    startTime = audio->start_time != AV_NOPTS_VALUE ? audio->start_time : 0;
    if (container == Container::Vox)
        length = input.fileSize() * 2; // the container's own duration is off by the factor two
    else if (audio->duration != AV_NOPTS_VALUE && audio->duration > 0)
        length = av_rescale_q(audio->duration, audio->time_base, AVRational{1, rate});
    else if (format->duration > 0)
        length = av_rescale(format->duration, rate, AV_TIME_BASE);
    else
        length = 0;
    // A length guessed from the bitrate says nothing of where the sound should end.
    damage.sampleRate = rate;
    if (container == Container::Probe &&
        format->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        // An encoder's priming (an MP3's, an AAC's) counts in the duration but is never heard.
        const qint64 priming = av_rescale_q(startTime, audio->time_base, AVRational{1, rate});
        damage.declaredFrames = length - (priming > 0 && priming <= rate ? priming : 0);
    }

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

void FfmpegDecoder::Private::noteCorrupt() {
    if (damage.corruptFrame < 0 && !seeked)
        damage.corruptFrame = produced;
}

// The sound has ended: short of the declared length by more than a frame
// (decoders may leave out a frame's padding), the file was cut short.
void FfmpegDecoder::Private::noteEnd() {
    const qint64 tolerance = std::max(codec->frame_size, largestFrame);
    if (!seeked && damage.declaredFrames > 0 && produced + tolerance < damage.declaredFrames)
        damage.endFrame = produced;
}

bool FfmpegDecoder::Private::decodeMore() {
    int errorsInARow = 0;
    for (;;) {
        int result = avcodec_receive_frame(codec, frame);
        if (result == 0) {
            if (frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT))
                noteCorrupt();
            largestFrame = std::max(largestFrame, frame->nb_samples);
            append(frame);
            av_frame_unref(frame);
            return true;
        }
        if (result == AVERROR_EOF) {
            noteEnd();
            return false;
        }
        if (result != AVERROR(EAGAIN)) {
            noteCorrupt();
            if (++errorsInARow > MaxErrorsInARow)
                return false;
            continue;
        }
        if (drainStarted) {
            noteEnd();
            return false;
        }
        result = av_read_frame(format, packet);
        if (result < 0) {
            // The end, or a file cut short: hand out what the decoder still holds.
            if (result != AVERROR_EOF)
                noteCorrupt();
            avcodec_send_packet(codec, nullptr);
            drainStarted = true;
            continue;
        }
        if (packet->stream_index != stream) {
            av_packet_unref(packet);
            continue;
        }
        if (packet->flags & AV_PKT_FLAG_CORRUPT)
            noteCorrupt();
        result = avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        if (result < 0 && result != AVERROR(EAGAIN))
            noteCorrupt();
        if (result < 0 && ++errorsInARow > MaxErrorsInARow)
            return false;
        if (result >= 0)
            errorsInARow = 0;
    }
}

void FfmpegDecoder::Private::append(const AVFrame* decoded) {
    if (!outChosen)
        chooseOutput(decoded);
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

// The first decoded frame shows the samples' type; the rest follow it.
void FfmpegDecoder::Private::chooseOutput(const AVFrame* decoded) {
    own = PcmFormat::int16(rate, decoded->ch_layout.nb_channels);
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->codec_id);
    takeSampleType(own, AVSampleFormat(decoded->format), codec->bits_per_raw_sample,
                   descriptor ? descriptor->props : 0);
    if (decoded->ch_layout.order == AV_CHANNEL_ORDER_NATIVE &&
        (decoded->ch_layout.u.mask & ~ExtensibleSpeakers) == 0)
        own.channelMask = quint32(decoded->ch_layout.u.mask);
    out = PcmFormat::int16(rate, channels);
    if (delivery == Delivery::Source) {
        out = own;
        out.channels = channels;
        if (channels != own.channels)
            out.channelMask = 0; // mixed down to stereo
    }
    outChosen = true;
}

void FfmpegDecoder::Private::convert(const AVFrame* decoded, int skipFrames) {
    const int blockAlign = out.frameBytes();
    const AVSampleFormat wanted = sampleFormatOf(out.type);
    const bool keepsLayout = decoded->ch_layout.nb_channels == channels;
    produced += decoded->nb_samples - skipFrames;
    if (decoded->format == wanted && keepsLayout && decoded->sample_rate == rate) {
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
        AVChannelLayout outLayout{};
        // Channels kept keep their layout; only a mix-down needs a new one.
        if (keepsLayout)
            av_channel_layout_copy(&outLayout, &decoded->ch_layout);
        else
            av_channel_layout_default(&outLayout, channels);
        int result = swr_alloc_set_opts2(&swr, &outLayout, wanted, rate, &swrLayout,
                                         AVSampleFormat(swrFormat), swrRate, 0, nullptr);
        av_channel_layout_uninit(&outLayout);
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
    auto* outData = reinterpret_cast<uint8_t*>(pending.data() + oldSize);
    const int converted =
        swr_convert(swr, &outData, capacity, const_cast<const uint8_t**>(decoded->extended_data),
                    decoded->nb_samples);
    const int kept = std::max(converted - skipFrames, 0);
    if (skipFrames > 0 && kept > 0)
        memmove(outData, outData + skipFrames * blockAlign, size_t(kept) * blockAlign);
    pending.resize(oldSize + kept * blockAlign);
}

FfmpegDecoder::FfmpegDecoder() : d(std::make_unique<Private>()) {}

FfmpegDecoder::~FfmpegDecoder() = default;

void FfmpegDecoder::open(const QString& path, Container container, Delivery delivery) {
    d->release();
    d->path = path;
    d->container = container;
    d->delivery = delivery;
    d->timestampScale = 1;
    d->openInput();
}

void FfmpegDecoder::close() {
    d->release();
}

bool FfmpegDecoder::isOpen() const {
    return d->format != nullptr;
}

PcmFormat FfmpegDecoder::format() const {
    return d->out;
}

PcmFormat FfmpegDecoder::sourceFormat() const {
    return d->own;
}

SourceDamage FfmpegDecoder::damage() const {
    return d->damage;
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
    const int blockAlign = d->out.frameBytes();
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
        open(path, d->container, d->delivery);
        while (d->position < frame &&
               !read(std::min<qint64>(frame - d->position, 1 << 16)).isEmpty()) {
        }
        return;
    }
    avcodec_flush_buffers(d->codec);
    d->seeked = true;
    d->drainStarted = false;
    d->pending.clear();
    d->pendingOffset = 0;
    d->discardUntil = frame;
    d->position = frame;
}
