#pragma once

#include "values/pcmformat.h"
#include "values/sourcedamage.h"

#include <memory>
#include <QByteArray>
#include <QString>

// Decodes the first audio stream of a file into interleaved PCM at the
// stream's own rate. For playing, and for outputs that take 16-bit stereo at
// most, sound comes as 16-bit with more than two channels mixed down to
// stereo; for a lossless output it comes as the source has it (its bit
// depth, up to eight channels in their layout). Positions count sample frames.
class FfmpegDecoder {
public:
    // How the file is read: by its content, or as one of the two headerless formats.
    enum class Container { Probe, RawPcm, Vox };
    // What read() hands out.
    enum class Delivery { Playback, Source };

    FfmpegDecoder();
    ~FfmpegDecoder();
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    // Raises ComponentError when the file holds no sound that can be decoded;
    // the decoder is closed then.
    void open(const QString& path, Container container, Delivery delivery = Delivery::Playback);
    void close();
    bool isOpen() const;

    int sampleRate() const;
    int channels() const;
    int blockAlign() const { return format().frameBytes(); }
    // What read() hands out, and what the file itself holds.
    PcmFormat format() const;
    PcmFormat sourceFormat() const;
    qint64 length() const;   // as far as the file tells; 0 when it does not
    qint64 position() const; // of the next frame read
    // What reading from the start has shown of damage so far; whole once the
    // end is read without any.
    SourceDamage damage() const;

    // Up to `frames` frames; fewer only at the end, empty when nothing is left.
    QByteArray read(qint64 frames);
    void seek(qint64 frame);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
