#include "components/ffmpeg/picturedecoder.h"

#include "components/ffmpeg/ffmpegsupport.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace PictureDecoder {

namespace {

quint32 bigEndian(const QByteArray& data, int at, int bytes) {
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | quint8(data.at(at + i));
    return value;
}

// The size the picture's header declares; 0 × 0 when it declares none.
std::pair<quint32, quint32> declaredSize(const QByteArray& data, bool png) {
    if (png)
        return data.size() >= 24 ? std::pair{bigEndian(data, 16, 4), bigEndian(data, 20, 4)}
                                 : std::pair{0u, 0u};
    // The first start-of-frame segment after the markers before it.
    for (int at = 2; at + 9 <= data.size() && quint8(data.at(at)) == 0xFF;) {
        const quint8 marker = quint8(data.at(at + 1));
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return {bigEndian(data, at + 7, 2), bigEndian(data, at + 5, 2)};
        at += 2 + int(bigEndian(data, at + 2, 2));
    }
    return {0u, 0u};
}

} // namespace

QString problemOf(const QByteArray& data, bool png) {
    const auto [width, height] = declaredSize(data, png);
    if (width > quint32(MaxSide) || height > quint32(MaxSide))
        return QStringLiteral("the cover is %1x%2 pixels, larger than %3x%3")
            .arg(width)
            .arg(height)
            .arg(MaxSide);
    FfmpegSupport::quietLibrary();
    const QString kind = png ? QStringLiteral("PNG") : QStringLiteral("JPEG");
    const AVCodec* codec = avcodec_find_decoder(png ? AV_CODEC_ID_PNG : AV_CODEC_ID_MJPEG);
    AVCodecContext* context = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int code = AVERROR(ENOMEM);
    if (context && packet && frame && av_new_packet(packet, int(data.size())) == 0) {
        std::memcpy(packet->data, data.constData(), std::size_t(data.size()));
        // Whatever the header said: the decoder allocates no more than this.
        context->max_pixels = qint64(MaxSide) * MaxSide;
        context->thread_count = 1;
        context->err_recognition = AV_EF_EXPLODE;
        code = avcodec_open2(context, codec, nullptr);
        if (code >= 0)
            code = avcodec_send_packet(context, packet);
        if (code >= 0)
            code = avcodec_send_packet(context, nullptr);
        if (code >= 0)
            code = avcodec_receive_frame(context, frame);
    }
    QString problem;
    if (code == AVERROR_EOF || code == AVERROR(EAGAIN))
        problem =
            QStringLiteral("the cover does not decode as a %1 picture: no picture in it").arg(kind);
    else if (code < 0)
        problem = QStringLiteral("the cover does not decode as a %1 picture: %2")
                      .arg(kind, FfmpegSupport::errorText(code));
    else if (frame->width > MaxSide || frame->height > MaxSide)
        problem = QStringLiteral("the cover is %1x%2 pixels, larger than %3x%3")
                      .arg(frame->width)
                      .arg(frame->height)
                      .arg(MaxSide);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return problem;
}

} // namespace PictureDecoder
