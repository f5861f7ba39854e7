#pragma once

#include <QByteArray>
#include <QString>

// An output file being written, its format chosen before Create. Sound
// arrives as interleaved signed 16-bit little-endian PCM in the layout of
// setInputFormat. Failures raise ComponentError.
class AudioWriter {
public:
    virtual ~AudioWriter() = default;

    virtual void setInputFormat(int sampleRate, int channels) = 0;
    // Closes a file still open, then creates the next one.
    virtual void create(const QString& path) = 0;
    virtual void write(const QByteArray& pcm) = 0;
    virtual void close() = 0;
    virtual bool getIsOpen() = 0;
};
