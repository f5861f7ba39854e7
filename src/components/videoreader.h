#pragma once

#include "values/pcmformat.h"
#include "values/sourcedamage.h"

#include <QByteArray>
#include <QString>

// The sound of a video file. Sound is interleaved signed 16-bit little-endian
// PCM, stereo at most, unless keepSourceFormat asked for the source's own; an
// empty array means "no more data". Failures raise ComponentError.
class VideoReader {
public:
    virtual ~VideoReader() = default;

    virtual void open(const QString& path) = 0;
    virtual QByteArray readAudio(int bytes) = 0;
    virtual void seek(int positionMs) = 0;
    virtual int getChannels() = 0;
    virtual int getSampleRate() = 0;
    virtual int getPositionMs() = 0;
    virtual int getDurationMs() = 0;
    virtual qint64 getPosition() = 0; // progress numerator, same unit as getLength
    virtual qint64 getLength() = 0;
    virtual void close() = 0;

    // As AudioReader's: the source's own bit depth and channels, for a lossless output.
    virtual void keepSourceFormat(bool keep) { (void)keep; }
    virtual PcmFormat getFormat() { return PcmFormat::int16(getSampleRate(), getChannels()); }
    virtual PcmFormat getSourceFormat() { return getFormat(); }
    virtual SourceDamage getDamage() { return {}; }
};

// The RealMedia writer, and the list of its sound codecs.
class RmWriter {
public:
    virtual ~RmWriter() = default;

    virtual void setVideoStream(int stream) = 0; // -1: audio only
    virtual void setVideoBitrate(int bitrate) = 0;
    virtual void setRmAudioCodec(int codec) = 0; // 1-based
    virtual void setAudioInputFormat(int sampleRate, int channels) = 0;
    virtual void createOutput(const QString& path, int format) = 0;
    virtual void writeAudio(const QByteArray& pcm) = 0;
    virtual void close() = 0;
    virtual int getRmCodecCount() = 0;
    virtual QString getRmCodecName(int codec) = 0; // 1-based
};
