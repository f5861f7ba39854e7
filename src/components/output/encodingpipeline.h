#pragma once

#include <memory>
#include <QByteArray>

class AudioEncoder;
class PcmResampler;

// Feeds interleaved 16-bit PCM of one layout to an encoder that wants another:
// keeps a sample frame split between two writes, resamples and remixes when
// the layouts differ, and flushes the resampler before the encoder finishes.
class EncodingPipeline {
public:
    EncodingPipeline(std::unique_ptr<AudioEncoder> encoder, int inputRate, int inputChannels);
    ~EncodingPipeline();

    // Later writes come in this layout.
    void setInputFormat(int sampleRate, int channels);
    void write(const QByteArray& pcm);
    // Completes the file; raises when that fails.
    void finish();

    qint64 framesWritten() const { return m_framesWritten; }

private:
    void setUpResampler();
    void flushResampler();
    void writeFrames(const qint16* samples, int frames);

    std::unique_ptr<AudioEncoder> m_encoder;
    std::unique_ptr<PcmResampler> m_resampler;
    int m_inputRate;
    int m_inputChannels;
    QByteArray m_partialFrame;
    qint64 m_framesWritten = 0;
};
