#include "components/ffmpeg/videofile.h"

#include "components/componenterror.h"
#include "components/ffmpeg/asxplaylist.h"
#include "components/ffmpeg/ffmpegencoder.h"
#include "components/ffmpeg/realmediatimes.h"
#include "components/output/encodingpipeline.h"
#include "components/output/pcmlayout.h"

#include <QFileInfo>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

// The file format number of createOutput that means RealMedia.
constexpr int RealMediaFormat = 4;

struct RmCodec {
    const char* encoder;
    const char* name;
    int sampleRate;
    int channels;
    int bitrate;
    int frameSize; // samples per packet
};

// The RealMedia audio codecs FFmpeg can encode at all; AC-3 is stored as "dnet".
const RmCodec KnownRmCodecs[] = {
    {"real_144", "RealAudio 1.0 (14.4K), 8 kHz mono", 8000, 1, 8000, 160},
    {"ac3", "Dolby AC-3 (dnet), 192 kbps, 44.1 kHz stereo", 44100, 2, 192000, 1536},
};

// The ones this FFmpeg build has, codec 1 first.
const std::vector<RmCodec>& rmCodecs() {
    static const std::vector<RmCodec> codecs = [] {
        std::vector<RmCodec> found;
        for (const RmCodec& codec : KnownRmCodecs)
            if (avcodec_find_encoder_by_name(codec.encoder))
                found.push_back(codec);
        return found;
    }();
    return codecs;
}

} // namespace

VideoFile::VideoFile() = default;

VideoFile::~VideoFile() {
    try {
        finishOutput();
    } catch (const ComponentError&) {
    }
}

void VideoFile::open(const QString& path) {
    m_decoder.close();
    QString media = path;
    if (QFileInfo(path).suffix().compare(QLatin1String("asx"), Qt::CaseInsensitive) == 0) {
        media = AsxPlaylist::firstLocalEntry(path);
        if (QFileInfo(media).suffix().compare(QLatin1String("asx"), Qt::CaseInsensitive) == 0)
            throw ComponentError(
                QStringLiteral("Cannot open %1: it points at another playlist.").arg(path));
    }
    m_decoder.open(media, FfmpegDecoder::Container::Probe,
                   m_keepFormat ? FfmpegDecoder::Delivery::Source
                                : FfmpegDecoder::Delivery::Playback);
}

QByteArray VideoFile::readAudio(int bytes) {
    if (bytes <= 0)
        return {};
    const int blockAlign = m_decoder.isOpen() ? m_decoder.blockAlign() : 1;
    return m_decoder.read(std::max(bytes / blockAlign, 1));
}

void VideoFile::seek(int positionMs) {
    m_decoder.seek(qint64(positionMs) * m_decoder.sampleRate() / 1000);
}

int VideoFile::getChannels() {
    return m_decoder.channels();
}

int VideoFile::getSampleRate() {
    return m_decoder.sampleRate();
}

int VideoFile::getPositionMs() {
    return m_decoder.isOpen() ? int(m_decoder.position() * 1000 / m_decoder.sampleRate()) : 0;
}

int VideoFile::getDurationMs() {
    return m_decoder.isOpen() ? int(m_decoder.length() * 1000 / m_decoder.sampleRate()) : 0;
}

qint64 VideoFile::getPosition() {
    return m_decoder.position() * m_decoder.channels();
}

qint64 VideoFile::getLength() {
    return m_decoder.length() * m_decoder.channels();
}

void VideoFile::close() {
    m_decoder.close();
    finishOutput();
}

void VideoFile::finishOutput() {
    if (!m_output)
        return;
    const std::unique_ptr<EncodingPipeline> output = std::move(m_output);
    output->finish();
    const RmCodec& codec = rmCodecs()[std::size_t(m_outputCodec - 1)];
    RealMediaTimes::stamp(m_outputPath, codec.frameSize, codec.sampleRate);
}

void VideoFile::setVideoStream(int stream) {
    if (stream != -1)
        throw ComponentError(QStringLiteral("Orvelle writes RealMedia files with sound only."));
}

void VideoFile::setVideoBitrate(int) {}

void VideoFile::setRmAudioCodec(int codec) {
    if (codec < 1 || codec > getRmCodecCount())
        throw ComponentError(
            getRmCodecCount() == 0
                ? QStringLiteral("This FFmpeg can encode no RealMedia audio codec.")
                : QStringLiteral("There is no RealMedia codec %1; they count 1 to %2.")
                      .arg(codec)
                      .arg(getRmCodecCount()));
    m_rmCodec = codec;
}

void VideoFile::setAudioInputFormat(int sampleRate, int channels) {
    PcmLayout::check("The sound to write", sampleRate, channels, 8);
    m_inputRate = sampleRate;
    m_inputChannels = channels;
    if (m_output)
        m_output->setInputFormat(PcmFormat::int16(sampleRate, channels));
}

void VideoFile::createOutput(const QString& path, int format) {
    if (format != RealMediaFormat)
        throw ComponentError(
            QStringLiteral("Cannot create %1: the video component writes RealMedia files only.")
                .arg(path));
    finishOutput();
    setRmAudioCodec(m_rmCodec); // the codec list may be empty
    const RmCodec& codec = rmCodecs()[std::size_t(m_rmCodec - 1)];
    auto encoder = std::make_unique<FfmpegEncoder>(
        path, FfmpegEncoder::Settings{"rm", codec.encoder, codec.sampleRate, codec.channels,
                                      codec.bitrate});
    m_output = std::make_unique<EncodingPipeline>(std::move(encoder),
                                                  PcmFormat::int16(m_inputRate, m_inputChannels));
    m_outputPath = path;
    m_outputCodec = m_rmCodec;
}

void VideoFile::writeAudio(const QByteArray& pcm) {
    if (!m_output)
        throw ComponentError(QStringLiteral("No RealMedia file is open to write to."));
    m_output->write(pcm);
}

int VideoFile::getRmCodecCount() {
    return int(rmCodecs().size());
}

QString VideoFile::getRmCodecName(int codec) {
    if (codec < 1 || codec > getRmCodecCount())
        return {};
    return QString::fromLatin1(rmCodecs()[std::size_t(codec - 1)].name);
}
