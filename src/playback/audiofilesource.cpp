#include "playback/audiofilesource.h"

#include "components/componenterror.h"
#include "components/iaudiofile2.h"
#include "platform/muldiv.h"

#include <algorithm>

AudioFileSource::AudioFileSource(std::unique_ptr<IAudioFile2> reader, QString path, int blockMs)
    : m_reader(std::move(reader)), m_path(std::move(path)), m_blockMs(blockMs) {}

AudioFileSource::~AudioFileSource() = default;

void AudioFileSource::open() {
    if (m_reader->GetIsOpen())
        m_reader->Close();
    m_reader->Open(m_path);
    m_rate = m_reader->GetSampleRate();
    m_channels = m_reader->GetChannels();
    m_blockAlign = m_reader->GetBlockAlign();
    if (m_rate <= 0 || m_blockAlign <= 0)
        throw ComponentError(QStringLiteral("%1 holds no sound that can be played.").arg(m_path));
    m_length = std::max<qint64>(0, m_reader->GetLength());
    m_position = 0;
}

void AudioFileSource::close() {
    if (m_reader->GetIsOpen())
        m_reader->Close();
}

qint64 AudioFileSource::lengthMs() const {
    return MulDiv(m_length, 1000, m_rate);
}

qint64 AudioFileSource::positionMs() const {
    return MulDiv(m_position, 1000, m_rate);
}

void AudioFileSource::seek(qint64 ms) {
    m_position = std::clamp<qint64>(MulDiv(ms, m_rate, 1000), 0, m_length);
    m_reader->Seek(m_position);
}

QByteArray AudioFileSource::read() {
    QByteArray pcm = m_reader->Read(int(std::max<qint64>(1, MulDiv(m_rate, m_blockMs, 1000))));
    // A length the file only estimates must not keep the slider short of its end.
    m_position = pcm.isEmpty() ? m_length : m_position + pcm.size() / m_blockAlign;
    return pcm;
}
