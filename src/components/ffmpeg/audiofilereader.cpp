#include "components/ffmpeg/audiofilereader.h"

#include "components/componenterror.h"

#include <QFileInfo>

void AudioFileReader::Open(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    FfmpegDecoder::Container container = FfmpegDecoder::Container::Probe;
    if (suffix == QLatin1String("raw"))
        container = FfmpegDecoder::Container::RawPcm;
    else if (suffix == QLatin1String("vox"))
        container = FfmpegDecoder::Container::Vox;
    m_decoder.open(path, container);
}

QByteArray AudioFileReader::Read(int frames) {
    return m_decoder.read(frames);
}

void AudioFileReader::Seek(qint64 frame) {
    m_decoder.seek(frame);
}

qint64 AudioFileReader::GetLength() {
    return m_decoder.length();
}

int AudioFileReader::GetDurationMs() {
    if (!m_decoder.isOpen())
        return 0;
    return int(m_decoder.length() * 1000 / m_decoder.sampleRate());
}

int AudioFileReader::GetBlockAlign() {
    return m_decoder.isOpen() ? m_decoder.blockAlign() : 0;
}

int AudioFileReader::GetChannels() {
    return m_decoder.channels();
}

int AudioFileReader::GetSampleRate() {
    return m_decoder.sampleRate();
}

void AudioFileReader::Close() {
    m_decoder.close();
}

bool AudioFileReader::GetIsOpen() {
    return m_decoder.isOpen();
}

void AudioFileReader::refuseWriting() {
    throw ComponentError(QStringLiteral("The audio file reader cannot write files."));
}

void AudioFileReader::Create(const QString&) {
    refuseWriting();
}
void AudioFileReader::Write(const QByteArray&) {
    refuseWriting();
}
void AudioFileReader::SetInputFormat(int, int) {
    refuseWriting();
}
void AudioFileReader::SetWavFormat(int, int, int) {
    refuseWriting();
}
void AudioFileReader::SetMp3Encoder(IAudioFile2LameEnc*) {
    refuseWriting();
}
void AudioFileReader::SetOggFormat(int, int, int, int, int, int) {
    refuseWriting();
}
void AudioFileReader::SetWmaProfile(int) {
    refuseWriting();
}
// Start-up resets every audio file object; a reader has no output format to reset.
void AudioFileReader::ResetFormat(int) {}
