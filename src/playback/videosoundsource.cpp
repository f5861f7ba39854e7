#include "playback/videosoundsource.h"

#include "components/componenterror.h"
#include "components/ivideofile.h"
#include "platform/muldiv.h"

#include <algorithm>

VideoSoundSource::VideoSoundSource(std::unique_ptr<IVideoFile> video, QString path)
    : m_video(std::move(video)), m_path(std::move(path)) {}

VideoSoundSource::~VideoSoundSource() = default;

void VideoSoundSource::open() {
    m_video->Open(m_path);
    m_rate = m_video->GetSampleRate();
    m_channels = m_video->GetChannels();
    if (m_rate <= 0 || m_channels <= 0)
        throw ComponentError(QStringLiteral("%1 holds no sound that can be played.").arg(m_path));
    m_duration = std::max(0, m_video->GetDurationMs());
    m_position = 0;
}

void VideoSoundSource::close() {
    m_video->Close();
}

void VideoSoundSource::seek(qint64 ms) {
    m_video->Seek(int(std::clamp<qint64>(ms, 0, m_duration)));
    m_position = m_video->GetPositionMs();
}

QByteArray VideoSoundSource::readBlock() {
    const qint64 frames = std::max<qint64>(1, MulDiv(m_rate, 1, 10));
    QByteArray pcm = m_video->ReadAudio(int(frames * m_channels * 2));
    m_position = pcm.isEmpty() ? m_duration : m_video->GetPositionMs();
    return pcm;
}
