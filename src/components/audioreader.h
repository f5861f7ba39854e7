#pragma once

#include "values/pcmformat.h"
#include "values/sourcedamage.h"

#include <QByteArray>
#include <QString>

// A decoded audio file. Sound is interleaved signed 16-bit little-endian PCM,
// stereo at most, unless keepSourceFormat asked for the source's own; an
// empty array means "no more data". Failures raise ComponentError.
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

    // Before open: the next file's sound comes in its own bit depth and
    // channels (up to eight), as getFormat says, for a lossless output.
    virtual void keepSourceFormat(bool keep) { (void)keep; }
    // What read hands out, and what the file itself holds.
    virtual PcmFormat getFormat() { return PcmFormat::int16(getSampleRate(), getChannels()); }
    virtual PcmFormat getSourceFormat() { return getFormat(); }
    // What reading the file from its start has shown of damage so far.
    virtual SourceDamage getDamage() { return {}; }
};
