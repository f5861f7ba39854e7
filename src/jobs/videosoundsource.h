#pragma once

#include "jobs/previewsource.h"

#include <memory>
#include <QString>

class VideoReader;

// The sound of a video file, through a reader of its own (which counts
// milliseconds), in blocks of blockMs, or of blockBytes when given (the RM
// writer's own block). With keepFormat the sound comes in the file's own
// format, for a lossless output.
class VideoSoundSource : public PreviewSource {
public:
    VideoSoundSource(std::unique_ptr<VideoReader> video, QString path, int blockMs = 100,
                     int blockBytes = 0, bool keepFormat = false);
    ~VideoSoundSource() override;

    void open() override;
    void close() override;
    int sampleRate() const override { return m_rate; }
    int channels() const override { return m_channels; }
    qint64 lengthMs() const override { return m_duration; }
    qint64 positionMs() const override { return m_position; }
    void seek(qint64 ms) override;
    QByteArray read() override;
    int stepBackMs() const override { return 6000; }
    int stepForwardMs() const override { return 6000; }
    PcmFormat format() const override { return m_format; }
    PcmFormat sourceFormat() const override { return m_sourceFormat; }
    SourceDamage damage() const override;

private:
    std::unique_ptr<VideoReader> m_video;
    QString m_path;
    int m_blockMs;
    int m_blockBytes;
    bool m_keepFormat;
    PcmFormat m_format;
    PcmFormat m_sourceFormat;
    int m_rate = 44100;
    int m_channels = 2;
    qint64 m_duration = 0;
    qint64 m_position = 0;
};
