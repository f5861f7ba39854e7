#pragma once

#include "jobs/previewsource.h"

#include <memory>
#include <QString>

class AudioReader;

// An audio file through a reader of its own (sample frames at the file's
// rate), in blocks of blockMs: a tenth of a second for the preview, more for
// a conversion. With keepFormat the sound comes in the file's own format,
// for a lossless output.
class AudioFileSource : public PreviewSource {
public:
    AudioFileSource(std::unique_ptr<AudioReader> reader, QString path, int blockMs = 100,
                    bool keepFormat = false);
    ~AudioFileSource() override;

    void open() override;
    void close() override;
    int sampleRate() const override { return m_rate; }
    int channels() const override { return m_channels; }
    qint64 lengthMs() const override;
    qint64 positionMs() const override;
    void seek(qint64 ms) override;
    QByteArray read() override;
    int stepBackMs() const override { return 600; }
    int stepForwardMs() const override { return 6000; }
    PcmFormat format() const override { return m_format; }
    PcmFormat sourceFormat() const override { return m_sourceFormat; }
    SourceDamage damage() const override;

private:
    std::unique_ptr<AudioReader> m_reader;
    QString m_path;
    int m_blockMs;
    bool m_keepFormat;
    PcmFormat m_format;
    PcmFormat m_sourceFormat;
    int m_rate = 44100;
    int m_channels = 2;
    int m_blockAlign = 4;
    qint64 m_length = 0;   // sample frames
    qint64 m_position = 0; // sample frames
};
