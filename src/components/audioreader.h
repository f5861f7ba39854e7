#pragma once

#include <QByteArray>
#include <QString>

// A decoded audio file. Sound is interleaved signed 16-bit little-endian PCM;
// an empty array means "no more data". Failures raise ComponentError.
//
// Units: Read, Seek and getLength count sample frames (one sample per channel),
// so that a preview's position, its block size and the length agree.
class AudioReader {
public:
    virtual ~AudioReader() = default;

    virtual void open(const QString& path) = 0;
    virtual QByteArray read(int frames) = 0;
    virtual void seek(qint64 frame) = 0;
    virtual qint64 getLength() = 0; // sample frames
    virtual int getDurationMs() = 0;
    virtual int getBlockAlign() = 0; // bytes per sample frame
    virtual int getChannels() = 0;
    virtual int getSampleRate() = 0;
    virtual void close() = 0;
    virtual bool getIsOpen() = 0;
};
