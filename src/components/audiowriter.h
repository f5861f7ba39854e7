#pragma once

#include "values/pcmformat.h"

#include <QByteArray>
#include <QString>

// An output file being written, its format chosen before Create. Sound
// arrives as interleaved signed 16-bit little-endian PCM in the layout of
// setInputFormat, or in that of setInputPcmFormat. Failures raise ComponentError.
class AudioWriter {
public:
    virtual ~AudioWriter() = default;

    virtual void setInputFormat(int sampleRate, int channels) = 0;
    // Closes a file still open, then creates the next one.
    virtual void create(const QString& path) = 0;
    virtual void write(const QByteArray& pcm) = 0;
    virtual void close() = 0;
    virtual bool getIsOpen() = 0;

    // Sound of any sample type, for a writer that keeps what a lossless source has.
    virtual void setInputPcmFormat(const PcmFormat& format) {
        setInputFormat(format.sampleRate, format.channels);
    }
    // After create: what became of a source of this format in the file, for
    // the row's tooltip and the log; empty when the file keeps it.
    virtual QString conversionFrom(const PcmFormat& source) {
        (void)source;
        return {};
    }
};
