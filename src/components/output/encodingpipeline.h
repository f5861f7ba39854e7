#pragma once

#include "values/pcmformat.h"

#include <memory>
#include <QByteArray>

class AudioEncoder;
class PcmResampler;

// Feeds interleaved PCM of one layout to an encoder that wants another:
// keeps a sample frame split between two writes, converts the rate, the
// channels and the sample type when they differ, and flushes the converter
// before the encoder finishes.
class EncodingPipeline {
public:
    EncodingPipeline(std::unique_ptr<AudioEncoder> encoder, const PcmFormat& input);
    ~EncodingPipeline();

    // Later writes come in this layout.
    void setInputFormat(const PcmFormat& input);
    void write(const QByteArray& pcm);
    // Completes the file; raises when that fails.
    void finish();

    qint64 framesWritten() const { return m_framesWritten; }
    // What the encoder takes.
    PcmFormat encoderFormat() const;

private:
    void setUpResampler();
    void flushResampler();
    void writeFrames(const void* samples, int frames);

    std::unique_ptr<AudioEncoder> m_encoder;
    std::unique_ptr<PcmResampler> m_resampler;
    PcmFormat m_input;
    QByteArray m_partialFrame;
    qint64 m_framesWritten = 0;
};
