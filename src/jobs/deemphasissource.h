#pragma once

#include "cd/deemphasis.h"
#include "jobs/copyengine.h"
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

// The same filter on the way into one file only, where a rip makes other
// files of the track that keep its emphasis.
class DeEmphasisSink : public PcmSink {
public:
    explicit DeEmphasisSink(std::unique_ptr<PcmSink> sink) : m_sink(std::move(sink)) {}

    void create(const QString& path, const PcmFormat& format) override {
        m_filter = DeEmphasis(format.channels);
        m_sink->create(path, format);
    }
    void write(const QByteArray& pcm) override {
        // The block is shared with the other files: filter a copy.
        QByteArray filtered(pcm.constData(), pcm.size());
        m_filter.process(filtered.data(), filtered.size());
        m_sink->write(filtered);
    }
    void close() override { m_sink->close(); }
    void closeQuietly() noexcept override { m_sink->closeQuietly(); }
    bool takesTags() const override { return m_sink->takesTags(); }
    QString conversionFrom(const PcmFormat& source) const override {
        return m_sink->conversionFrom(source);
    }

private:
    std::unique_ptr<PcmSink> m_sink;
    DeEmphasis m_filter;
};
