#pragma once

#include <QByteArray>

// Where a row's sound comes from: a CD track as it is read, an audio file, a
// video's sound. Interleaved signed 16-bit PCM; failures raise with a text
// for the user.
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
};
