#pragma once

#include "components/ffmpeg/ffmpegdecoder.h"
#include "components/ivideofile.h"

#include <memory>

class EncodingPipeline;

// The sound of a video file (.avi .mpeg .mpg .wmv .asf, and .asx playlists
// that point at one), and the RealMedia writer, both through FFmpeg.
//
// GetPosition and GetLength count 16-bit samples over all channels, the unit
// in which the converter adds up the bytes it has read. The RealMedia codecs
// are those this FFmpeg can encode; SetVideoBitrate has no use, since the
// files have sound only.
class VideoFile : public IVideoFile {
public:
    VideoFile();
    // Finishes an open RealMedia file; a failure then cannot be reported and is dropped.
    ~VideoFile() override;

    void Open(const QString& path) override;
    QByteArray ReadAudio(int bytes) override;
    void Seek(int positionMs) override;
    int GetChannels() override;
    int GetSampleRate() override;
    int GetPositionMs() override;
    int GetDurationMs() override;
    qint64 GetPosition() override;
    qint64 GetLength() override;

    void Close() override;

    void SetVideoStream(int stream) override;
    void SetVideoBitrate(int bitrate) override;
    void SetRmAudioCodec(int codec) override;
    void SetAudioInputFormat(int sampleRate, int channels) override;
    void CreateOutput(const QString& path, int format) override;
    void WriteAudio(const QByteArray& pcm) override;
    int GetRmCodecCount() override;
    QString GetRmCodecName(int codec) override;

private:
    void finishOutput();

    FfmpegDecoder m_decoder;
    int m_rmCodec = 1;
    int m_inputRate = 44100;
    int m_inputChannels = 2;
    std::unique_ptr<EncodingPipeline> m_output;
    QString m_outputPath;
    int m_outputCodec = 1;
};
