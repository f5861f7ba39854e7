#pragma once

#include "cd/deemphasis.h"
#include "jobs/pcmsource.h"

#include <memory>

// A CD track mastered with pre-emphasis, with the treble given back its level
// on the way to a file; the checksums have been taken from the disc's own PCM.
class DeEmphasisSource : public PcmSource {
public:
    explicit DeEmphasisSource(std::unique_ptr<PcmSource> source) : m_source(std::move(source)) {}

    void open() override {
        m_source->open();
        m_filter = DeEmphasis(m_source->channels());
    }
    int sampleRate() const override { return m_source->sampleRate(); }
    int channels() const override { return m_source->channels(); }
    QByteArray read() override {
        QByteArray pcm = m_source->read();
        m_filter.process(pcm.data(), pcm.size());
        return pcm;
    }
    int progress() const override { return m_source->progress(); }
    void close() override { m_source->close(); }

private:
    std::unique_ptr<PcmSource> m_source;
    DeEmphasis m_filter;
};
