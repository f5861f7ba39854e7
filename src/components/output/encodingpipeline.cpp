#include "components/output/encodingpipeline.h"

#include "components/audioencoder.h"
#include "components/ffmpeg/pcmresampler.h"

EncodingPipeline::EncodingPipeline(std::unique_ptr<AudioEncoder> encoder, int inputRate,
                                   int inputChannels)
    : m_encoder(std::move(encoder)), m_inputRate(inputRate), m_inputChannels(inputChannels) {
    setUpResampler();
}

EncodingPipeline::~EncodingPipeline() = default;

void EncodingPipeline::setUpResampler() {
    m_resampler.reset();
    if (m_encoder->sampleRate() != m_inputRate || m_encoder->channels() != m_inputChannels)
        m_resampler = std::make_unique<PcmResampler>(
            m_inputRate, m_inputChannels, m_encoder->sampleRate(), m_encoder->channels());
}

void EncodingPipeline::flushResampler() {
    if (!m_resampler)
        return;
    const std::vector<qint16>& rest = m_resampler->flush();
    m_encoder->write(rest.data(), int(rest.size()) / m_resampler->outChannels());
}

void EncodingPipeline::setInputFormat(int sampleRate, int channels) {
    if (sampleRate == m_inputRate && channels == m_inputChannels)
        return;
    flushResampler();
    m_inputRate = sampleRate;
    m_inputChannels = channels;
    m_partialFrame.clear();
    setUpResampler();
}

void EncodingPipeline::writeFrames(const qint16* samples, int frames) {
    m_framesWritten += frames;
    if (!m_resampler) {
        m_encoder->write(samples, frames);
        return;
    }
    const std::vector<qint16>& converted = m_resampler->convert(samples, frames);
    m_encoder->write(converted.data(), int(converted.size()) / m_resampler->outChannels());
}

void EncodingPipeline::write(const QByteArray& pcm) {
    const int blockAlign = m_inputChannels * 2;
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
        writeFrames(reinterpret_cast<const qint16*>(data->constData()), frames);
}

void EncodingPipeline::finish() {
    flushResampler();
    m_encoder->finish();
}
