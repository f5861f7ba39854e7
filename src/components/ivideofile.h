#pragma once

#include <QByteArray>
#include <QString>

// The sound of a video file as a reader, and the RealMedia writer.
// Sound is interleaved signed 16-bit little-endian PCM; an empty array means
// "no more data". Failures raise ComponentError.
class IVideoFile {
public:
    virtual ~IVideoFile() = default;

    // Reader.
    virtual void Open(const QString& path) = 0;
    virtual QByteArray ReadAudio(int bytes) = 0;
    virtual void Seek(int positionMs) = 0;
    virtual int GetChannels() = 0;
    virtual int GetSampleRate() = 0;
    virtual int GetPositionMs() = 0;
    virtual int GetDurationMs() = 0;
    virtual qint64 GetPosition() = 0; // progress numerator, same unit as GetLength
    virtual qint64 GetLength() = 0;

    // Reader or RM writer.
    virtual void Close() = 0;

    // RM writer.
    virtual void SetVideoStream(int stream) = 0; // -1: audio only
    virtual void SetVideoBitrate(int bitrate) = 0;
    virtual void SetRmAudioCodec(int codec) = 0; // 1-based
    virtual void SetAudioInputFormat(int sampleRate, int channels) = 0;
    virtual void CreateOutput(const QString& path, int format) = 0;
    virtual void WriteAudio(const QByteArray& pcm) = 0;
    virtual int GetRmCodecCount() = 0;
    virtual QString GetRmCodecName(int codec) = 0; // 1-based
};
