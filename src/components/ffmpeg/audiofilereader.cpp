#include "components/ffmpeg/audiofilereader.h"

#include "components/componenterror.h"

#include <QFileInfo>

void AudioFileReader::open(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    FfmpegDecoder::Container container = FfmpegDecoder::Container::Probe;
    if (suffix == QLatin1String("raw"))
        container = FfmpegDecoder::Container::RawPcm;
    else if (suffix == QLatin1String("vox"))
        container = FfmpegDecoder::Container::Vox;
    m_decoder.open(path, container,
                   m_keepFormat ? FfmpegDecoder::Delivery::Source
                                : FfmpegDecoder::Delivery::Playback);
}

QByteArray AudioFileReader::read(int frames) {
    return m_decoder.read(frames);
}

void AudioFileReader::seek(qint64 frame) {
    m_decoder.seek(frame);
}

qint64 AudioFileReader::getLength() {
    return m_decoder.length();
}

int AudioFileReader::getDurationMs() {
    if (!m_decoder.isOpen())
        return 0;
    return int(m_decoder.length() * 1000 / m_decoder.sampleRate());
}

int AudioFileReader::getBlockAlign() {
    return m_decoder.isOpen() ? m_decoder.blockAlign() : 0;
}

int AudioFileReader::getChannels() {
    return m_decoder.channels();
}

int AudioFileReader::getSampleRate() {
    return m_decoder.sampleRate();
}

void AudioFileReader::close() {
    m_decoder.close();
}

bool AudioFileReader::getIsOpen() {
    return m_decoder.isOpen();
}
