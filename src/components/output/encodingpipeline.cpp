#include "components/output/encodingpipeline.h"

#include "components/audioencoder.h"
#include "components/ffmpeg/pcmresampler.h"

EncodingPipeline::EncodingPipeline(std::unique_ptr<AudioEncoder> encoder, const PcmFormat& input)
    : m_encoder(std::move(encoder)), m_input(input) {
    setUpResampler();
}

EncodingPipeline::~EncodingPipeline() = default;

PcmFormat EncodingPipeline::encoderFormat() const {
    return m_encoder->format();
}

void EncodingPipeline::setUpResampler() {
    m_resampler.reset();
    // Bits within one sample type need no converter: the encoder keeps what it can of them.
    const PcmFormat wanted = m_encoder->format();
    if (wanted.sampleRate != m_input.sampleRate || wanted.channels != m_input.channels ||
        wanted.type != m_input.type)
        m_resampler = std::make_unique<PcmResampler>(m_input, wanted);
}

void EncodingPipeline::flushResampler() {
    if (!m_resampler)
        return;
    const PcmResampler::Block rest = m_resampler->flush();
    m_encoder->write(rest.samples, rest.frames);
}

void EncodingPipeline::setInputFormat(const PcmFormat& input) {
    if (input == m_input)
        return;
    flushResampler();
    m_input = input;
    m_partialFrame.clear();
    setUpResampler();
}

void EncodingPipeline::writeFrames(const void* samples, int frames) {
    m_framesWritten += frames;
    if (!m_resampler) {
        m_encoder->write(samples, frames);
        return;
    }
    const PcmResampler::Block converted = m_resampler->convert(samples, frames);
    m_encoder->write(converted.samples, converted.frames);
}

void EncodingPipeline::write(const QByteArray& pcm) {
    const int blockAlign = m_input.frameBytes();
    // Sound may come in pieces that split a sample frame; the rest waits for the next piece.
    QByteArray joined;
    const QByteArray* data = &pcm;
    if (!m_partialFrame.isEmpty()) {
        joined = m_partialFrame + pcm;
        data = &joined;
    }
    const int frames = int(data->size() / blockAlign);
    m_partialFrame = data->right(data->size() - frames * blockAlign);
    if (frames > 0)
        writeFrames(data->constData(), frames);
}

void EncodingPipeline::finish() {
    flushResampler();
    m_encoder->finish();
}
