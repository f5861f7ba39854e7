#include "jobs/audiofilesource.h"

#include "components/audioreader.h"
#include "components/componenterror.h"
#include "platform/muldiv.h"

#include <algorithm>

AudioFileSource::AudioFileSource(std::unique_ptr<AudioReader> reader, QString path, int blockMs,
                                 bool keepFormat)
    : m_reader(std::move(reader)), m_path(std::move(path)), m_blockMs(blockMs),
      m_keepFormat(keepFormat) {}

AudioFileSource::~AudioFileSource() = default;

void AudioFileSource::open() {
    if (m_reader->getIsOpen())
        m_reader->close();
    m_reader->keepSourceFormat(m_keepFormat);
    m_reader->open(m_path);
    m_rate = m_reader->getSampleRate();
    m_channels = m_reader->getChannels();
    m_blockAlign = m_reader->getBlockAlign();
    if (m_rate <= 0 || m_blockAlign <= 0)
        throw ComponentError(QStringLiteral("%1 holds no sound that can be played.").arg(m_path));
    m_length = std::max<qint64>(0, m_reader->getLength());
    m_position = 0;
    m_format = m_reader->getFormat();
    m_sourceFormat = m_reader->getSourceFormat();
}

SourceDamage AudioFileSource::damage() const {
    return m_reader->getDamage();
}

void AudioFileSource::close() {
    if (m_reader->getIsOpen())
        m_reader->close();
}

qint64 AudioFileSource::lengthMs() const {
    return mulDiv(m_length, 1000, m_rate);
}

qint64 AudioFileSource::positionMs() const {
    return mulDiv(m_position, 1000, m_rate);
}

void AudioFileSource::seek(qint64 ms) {
    m_position = std::clamp<qint64>(mulDiv(ms, m_rate, 1000), 0, m_length);
    m_reader->seek(m_position);
}

QByteArray AudioFileSource::read() {
    QByteArray pcm = m_reader->read(int(std::max<qint64>(1, mulDiv(m_rate, m_blockMs, 1000))));
    // A length the file only estimates must not keep the slider short of its end.
    m_position = pcm.isEmpty() ? m_length : m_position + pcm.size() / m_blockAlign;
    return pcm;
}
