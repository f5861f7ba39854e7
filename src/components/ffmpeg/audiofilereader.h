#pragma once

#include "components/audioreader.h"
#include "components/ffmpeg/ffmpegdecoder.h"

// The converter's reader of audio files: whatever FFmpeg decodes (.mp3 .wav
// .wma .ogg and more, recognised by content), plus the two headerless formats
// recognised by extension: .raw (44100 Hz 16-bit stereo PCM) and .vox
// (Dialogic ADPCM, 8000 Hz mono).
class AudioFileReader : public AudioReader {
public:
    void open(const QString& path) override;
    QByteArray read(int frames) override;
    void seek(qint64 frame) override;
    qint64 getLength() override;
    int getDurationMs() override;
    int getBlockAlign() override;
    int getChannels() override;
    int getSampleRate() override;

    void close() override;
    bool getIsOpen() override;

    void keepSourceFormat(bool keep) override { m_keepFormat = keep; }
    PcmFormat getFormat() override { return m_decoder.format(); }
    PcmFormat getSourceFormat() override { return m_decoder.sourceFormat(); }
    SourceDamage getDamage() override { return m_decoder.damage(); }

private:
    FfmpegDecoder m_decoder;
    bool m_keepFormat = false;
};
