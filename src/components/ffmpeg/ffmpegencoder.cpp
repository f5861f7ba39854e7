#include "components/ffmpeg/ffmpegencoder.h"

#include "components/componenterror.h"
#include "components/ffmpeg/ffmpegsupport.h"
#include "components/output/outputreservation.h"
#include "platform/partfilename.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

// The sample format the encoder takes that Orvelle can fill, 16-bit first.
AVSampleFormat pickSampleFormat(const AVCodec* codec) {
    static const AVSampleFormat usable[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_FLTP,
                                            AV_SAMPLE_FMT_FLT};
    for (AVSampleFormat wanted : usable)
        for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == wanted)
                return wanted;
    return AV_SAMPLE_FMT_NONE;
}

constexpr int IoBufferBytes = 1 << 16;

// FFmpeg writes through the descriptor reserved for the file, never by its name.
int writeToFile(void* opaque, uint8_t* data, int size) {
    const int fd = *static_cast<int*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, data + done, std::size_t(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return AVERROR(written < 0 ? errno : ENOSPC);
        done += int(written);
    }
    return size;
}

int64_t seekInFile(void* opaque, int64_t offset, int whence) {
    const int fd = *static_cast<int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const off_t here = ::lseek(fd, 0, SEEK_CUR);
        const off_t end = ::lseek(fd, 0, SEEK_END);
        if (here < 0 || end < 0 || ::lseek(fd, here, SEEK_SET) < 0)
            return AVERROR(errno);
        return end;
    }
    const off_t position = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : int64_t(position);
}

} // namespace

struct FfmpegEncoder::Private {
    QString path;
    AVFormatContext* muxer = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int fd = -1;
    bool fileOpen = false;
    bool finished = false;
    int frameSize = 0;
    int channels = 0;
    qint64 nextPts = 0;
    qint64 packets = 0;
    std::vector<qint16> pending;

    ~Private() {
        const bool remove = fileOpen && !finished && packets == 0;
        closeFile();
        if (remove)
            OutputReservation::remove(path); // a file that never got its header is no use
        avformat_free_context(muxer);
        avcodec_free_context(&codec);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }

    [[noreturn]] void fail(const QString& what, int error) {
        throw ComponentError(
            QStringLiteral("%1 %2 (%3).")
                .arg(what, finalPathOfPart(path), FfmpegSupport::errorText(error)));
    }

    void encode(const qint16* samples, int frames);
    void receivePackets();
    void openFile();
    // Flushes what FFmpeg still holds, syncs and closes; 0 or FFmpeg's error.
    int closeFile();
};

void FfmpegEncoder::Private::openFile() {
    fd = OutputReservation::openForWriting(path);
    auto* buffer = static_cast<unsigned char*>(av_malloc(IoBufferBytes));
    AVIOContext* io =
        buffer ? avio_alloc_context(buffer, IoBufferBytes, 1, &fd, nullptr, writeToFile, seekInFile)
               : nullptr;
    if (!io) {
        av_free(buffer);
        ::close(fd);
        fd = -1;
        throw ComponentError(QStringLiteral("Cannot create %1: out of memory.").arg(path));
    }
    muxer->pb = io;
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    fileOpen = true;
}

int FfmpegEncoder::Private::closeFile() {
    int result = 0;
    if (muxer && muxer->pb) {
        avio_flush(muxer->pb);
        result = muxer->pb->error;
        av_freep(&muxer->pb->buffer);
        avio_context_free(&muxer->pb);
    }
    if (fd >= 0) {
        if (::fsync(fd) != 0 && result == 0)
            result = AVERROR(errno);
        if (::close(fd) != 0 && result == 0)
            result = AVERROR(errno);
        fd = -1;
    }
    fileOpen = false;
    return result;
}

FfmpegEncoder::FfmpegEncoder(const QString& path, const Settings& settings)
    : d(std::make_unique<Private>()) {
    d->path = path;
    d->channels = settings.channels;
    const AVCodec* encoder = avcodec_find_encoder_by_name(settings.codec);
    const AVSampleFormat sampleFormat = encoder ? pickSampleFormat(encoder) : AV_SAMPLE_FMT_NONE;
    if (sampleFormat == AV_SAMPLE_FMT_NONE)
        throw ComponentError(QStringLiteral("Cannot create %1: this FFmpeg has no %2 encoder.")
                                 .arg(path, QLatin1String(settings.codec)));
    d->codec = avcodec_alloc_context3(encoder);
    d->frame = av_frame_alloc();
    d->packet = av_packet_alloc();
    const QByteArray url = FfmpegSupport::fileUrl(path);
    FfmpegSupport::quietLibrary();
    avformat_alloc_output_context2(&d->muxer, nullptr, settings.container, url.constData());
    if (!d->codec || !d->frame || !d->packet || !d->muxer)
        throw ComponentError(QStringLiteral("Cannot create %1: out of memory.").arg(path));

    AVCodecContext* c = d->codec;
    c->sample_fmt = sampleFormat;
    c->sample_rate = settings.sampleRate;
    av_channel_layout_default(&c->ch_layout, settings.channels);
    c->bit_rate = settings.bitrate;
    c->time_base = AVRational{1, settings.sampleRate};
    if (d->muxer->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(c, encoder, nullptr);
    if (result < 0)
        d->fail(QStringLiteral("The %1 encoder cannot make %2 Hz, %3 channel(s), %4 kbps for")
                    .arg(QLatin1String(settings.codec))
                    .arg(settings.sampleRate)
                    .arg(settings.channels)
                    .arg(settings.bitrate / 1000),
                result);
    d->frameSize = c->frame_size > 0 ? c->frame_size : 1024;

    d->stream = avformat_new_stream(d->muxer, nullptr);
    if (!d->stream)
        throw ComponentError(QStringLiteral("Cannot create %1: out of memory.").arg(path));
    avcodec_parameters_from_context(d->stream->codecpar, c);
    d->stream->time_base = c->time_base;

    d->openFile();
    result = avformat_write_header(d->muxer, nullptr);
    if (result < 0)
        d->fail(QStringLiteral("Cannot write the header of"), result);

    d->frame->format = sampleFormat;
    d->frame->sample_rate = settings.sampleRate;
    d->frame->nb_samples = d->frameSize;
    av_channel_layout_copy(&d->frame->ch_layout, &c->ch_layout);
    result = av_frame_get_buffer(d->frame, 0);
    if (result < 0)
        d->fail(QStringLiteral("Cannot encode"), result);
}

FfmpegEncoder::~FfmpegEncoder() = default;

PcmFormat FfmpegEncoder::format() const {
    return PcmFormat::int16(d->codec->sample_rate, d->channels);
}

void FfmpegEncoder::Private::encode(const qint16* samples, int frames) {
    int result = av_frame_make_writable(frame);
    if (result < 0)
        fail(QStringLiteral("Cannot encode"), result);
    // A short last frame is filled up with silence: these encoders take whole frames only.
    const int total = frameSize * channels;
    const int given = frames * channels;
    switch (frame->format) {
    case AV_SAMPLE_FMT_S16: {
        auto* out = reinterpret_cast<qint16*>(frame->data[0]);
        std::memcpy(out, samples, std::size_t(given) * 2);
        std::memset(out + given, 0, std::size_t(total - given) * 2);
        break;
    }
    case AV_SAMPLE_FMT_FLT: {
        auto* out = reinterpret_cast<float*>(frame->data[0]);
        for (int i = 0; i < total; ++i)
            out[i] = i < given ? float(samples[i]) * (1.f / 32768.f) : 0.f;
        break;
    }
    default: { // planar float
        for (int ch = 0; ch < channels; ++ch) {
            auto* out = reinterpret_cast<float*>(frame->extended_data[ch]);
            for (int i = 0; i < frameSize; ++i)
                out[i] = i < frames ? float(samples[i * channels + ch]) * (1.f / 32768.f) : 0.f;
        }
        break;
    }
    }
    frame->pts = nextPts;
    nextPts += frameSize;
    result = avcodec_send_frame(codec, frame);
    if (result < 0)
        fail(QStringLiteral("Cannot encode"), result);
    receivePackets();
}

void FfmpegEncoder::Private::receivePackets() {
    for (;;) {
        int result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        if (result < 0)
            fail(QStringLiteral("Cannot encode"), result);
        // These encoders make one packet per frame, and not all of them stamp it
        // (RealAudio 1.0 does not): every packet gets its time here.
        packet->pts = packet->dts = packets * frameSize;
        packet->duration = frameSize;
        packet->stream_index = stream->index;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        ++packets;
        result = av_write_frame(muxer, packet);
        av_packet_unref(packet);
        if (result < 0)
            fail(QStringLiteral("Cannot write to"), result);
    }
}

void FfmpegEncoder::write(const void* pcm, int frames) {
    const auto* samples = static_cast<const qint16*>(pcm);
    d->pending.insert(d->pending.end(), samples, samples + std::size_t(frames) * d->channels);
    const std::size_t frameSamples = std::size_t(d->frameSize) * d->channels;
    std::size_t used = 0;
    while (d->pending.size() - used >= frameSamples) {
        d->encode(d->pending.data() + used, d->frameSize);
        used += frameSamples;
    }
    d->pending.erase(d->pending.begin(), d->pending.begin() + std::ptrdiff_t(used));
}

void FfmpegEncoder::finish() {
    if (!d->pending.empty())
        d->encode(d->pending.data(), int(d->pending.size()) / d->channels);
    d->pending.clear();
    int result = avcodec_send_frame(d->codec, nullptr);
    if (result < 0)
        d->fail(QStringLiteral("Cannot encode"), result);
    d->receivePackets();
    result = av_write_trailer(d->muxer);
    d->finished = true;
    if (result < 0)
        d->fail(QStringLiteral("Cannot finish"), result);
    result = d->closeFile();
    if (result < 0)
        d->fail(QStringLiteral("Cannot write to"), result);
}
