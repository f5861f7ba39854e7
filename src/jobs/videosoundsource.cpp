#include "jobs/videosoundsource.h"

#include "components/componenterror.h"
#include "components/videoreader.h"
#include "platform/muldiv.h"

#include <algorithm>

VideoSoundSource::VideoSoundSource(std::unique_ptr<VideoReader> video, QString path, int blockMs,
                                   int blockBytes, bool keepFormat)
    : m_video(std::move(video)), m_path(std::move(path)), m_blockMs(blockMs),
      m_blockBytes(blockBytes), m_keepFormat(keepFormat) {}

VideoSoundSource::~VideoSoundSource() = default;

void VideoSoundSource::open() {
    m_video->keepSourceFormat(m_keepFormat);
    try {
        m_video->open(m_path);
    } catch (const std::exception&) {
        // Some files open only at the second attempt.
        m_video->close();
        m_video->open(m_path);
    }
    m_rate = m_video->getSampleRate();
    m_channels = m_video->getChannels();
    if (m_rate <= 0 || m_channels <= 0)
        throw ComponentError(QStringLiteral("%1 holds no sound that can be played.").arg(m_path));
    m_duration = std::max(0, m_video->getDurationMs());
    m_position = 0;
    m_format = m_video->getFormat();
    m_sourceFormat = m_video->getSourceFormat();
}

SourceDamage VideoSoundSource::damage() const {
    return m_video->getDamage();
}

void VideoSoundSource::close() {
    m_video->close();
}

void VideoSoundSource::seek(qint64 ms) {
    m_video->seek(int(std::clamp<qint64>(ms, 0, m_duration)));
    m_position = m_video->getPositionMs();
}

QByteArray VideoSoundSource::read() {
    const qint64 frames = std::max<qint64>(1, mulDiv(m_rate, m_blockMs, 1000));
    QByteArray pcm =
        m_video->readAudio(m_blockBytes > 0 ? m_blockBytes : int(frames * m_format.frameBytes()));
    m_position = pcm.isEmpty() ? m_duration : m_video->getPositionMs();
    return pcm;
}
