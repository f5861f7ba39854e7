#pragma once

#include "components/ffmpeg/ffmpegdecoder.h"
#include "components/videoreader.h"

#include <memory>

class EncodingPipeline;

// The sound of a video file (.avi .mpeg .mpg .wmv .asf, and .asx playlists
// that point at one), and the RealMedia writer, both through FFmpeg.
//
// getPosition and getLength count samples over all channels, the unit in
// which the converter adds up what it has read. The RealMedia codecs
// are those this FFmpeg can encode; setVideoBitrate has no use, since the
// files have sound only.
class VideoFile : public VideoReader, public RmWriter {
public:
    VideoFile();
    // Finishes an open RealMedia file; a failure then cannot be reported and is dropped.
    ~VideoFile() override;

    void open(const QString& path) override;
    QByteArray readAudio(int bytes) override;
    void seek(int positionMs) override;
    int getChannels() override;
    int getSampleRate() override;
    int getPositionMs() override;
    int getDurationMs() override;
    qint64 getPosition() override;
    qint64 getLength() override;

    void close() override;

    void keepSourceFormat(bool keep) override { m_keepFormat = keep; }
    PcmFormat getFormat() override { return m_decoder.format(); }
    PcmFormat getSourceFormat() override { return m_decoder.sourceFormat(); }
    SourceDamage getDamage() override { return m_decoder.damage(); }

    void setVideoStream(int stream) override;
    void setVideoBitrate(int bitrate) override;
    void setRmAudioCodec(int codec) override;
    void setAudioInputFormat(int sampleRate, int channels) override;
    void createOutput(const QString& path, int format) override;
    void writeAudio(const QByteArray& pcm) override;
    int getRmCodecCount() override;
    QString getRmCodecName(int codec) override;

private:
    void finishOutput();

    FfmpegDecoder m_decoder;
    bool m_keepFormat = false;
    int m_rmCodec = 1;
    int m_inputRate = 44100;
    int m_inputChannels = 2;
    std::unique_ptr<EncodingPipeline> m_output;
    QString m_outputPath;
    int m_outputCodec = 1;
};
