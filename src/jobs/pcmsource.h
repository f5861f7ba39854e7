#pragma once

#include "values/pcmformat.h"
#include "values/sourcedamage.h"

#include <QByteArray>

// Where a row's sound comes from: a CD track as it is read, an audio file, a
// video's sound. Interleaved PCM, signed 16-bit unless a lossless output
// asked for the source's own format; failures raise with a text for the user.
class PcmSource {
public:
    virtual ~PcmSource() = default;

    virtual void open() = 0;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // The next block, of the length the source was made with; empty at the end.
    virtual QByteArray read() = 0;
    // How far the source is read, in hundredths of a per cent (0..9999).
    virtual int progress() const = 0;
    virtual void close() = 0;

    // After open: what read() hands out, and what the source itself holds.
    virtual PcmFormat format() const { return PcmFormat::int16(sampleRate(), channels()); }
    virtual PcmFormat sourceFormat() const { return format(); }
    // What reading has shown so far of damage in the source.
    virtual SourceDamage damage() const { return {}; }
};
