#include "jobs/copyengine.h"

#include "components/audioreader.h"
#include "components/audiowriter.h"
#include "components/loudness/loudnessmeter.h"
#include "components/videoreader.h"
#include "jobs/audiofilesource.h"
#include "jobs/joberror.h"
#include "jobs/videosoundsource.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// The RM writer's file format number.
constexpr int RealMediaFormat = 4;
// The video reader's block for RM output, in bytes.
constexpr int VideoToRmBytes = 2304;

class WriterSink : public PcmSink {
public:
    explicit WriterSink(std::unique_ptr<AudioWriter> writer) : m_writer(std::move(writer)) {}

    void create(const QString& path, const PcmFormat& format) override {
        m_writer->setInputPcmFormat(format);
        m_writer->create(path);
        m_writer->setInputPcmFormat(format);
    }
    void write(const QByteArray& pcm) override { m_writer->write(pcm); }
    void close() override { m_writer->close(); }
    void closeQuietly() noexcept override {
        try {
            if (m_writer->getIsOpen())
                m_writer->close();
        } catch (...) {
        }
    }
    bool takesTags() const override { return true; }
    QString conversionFrom(const PcmFormat& source) const override {
        return m_writer->conversionFrom(source);
    }

private:
    std::unique_ptr<AudioWriter> m_writer;
};

class RmSink : public PcmSink {
public:
    RmSink(std::unique_ptr<RmWriter> rm, int codec) : m_rm(std::move(rm)), m_codec(codec) {}

    void create(const QString& path, const PcmFormat& format) override {
        m_rm->setVideoStream(-1);
        m_rm->setVideoBitrate(0);
        m_rm->setRmAudioCodec(m_codec + 1);
        // The sound goes in as the source has it; the writer converts it for its codec.
        m_rm->setAudioInputFormat(format.sampleRate, format.channels);
        m_rm->createOutput(path, RealMediaFormat);
    }
    void write(const QByteArray& pcm) override { m_rm->writeAudio(pcm); }
    void close() override { m_rm->close(); }
    void closeQuietly() noexcept override {
        try {
            m_rm->close();
        } catch (...) {
        }
    }
    bool takesTags() const override { return false; }

private:
    std::unique_ptr<RmWriter> m_rm;
    int m_codec;
};

// Measures the loudness on a thread of its own as the blocks pass, so that a
// core the encoder leaves idle takes the meter's few per cent (more with the
// true peak's oversampling). The blocks are shared, not copied; a few wait at most.
class MeterFeed {
public:
    MeterFeed(LoudnessMeter& meter, const PcmFormat& format)
        : m_meter(meter), m_format(format), m_thread([this] { run(); }) {}
    ~MeterFeed() { finish(); }

    void add(const QByteArray& pcm) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_blocks.size() < MaxWaiting; });
        m_blocks.push_back(pcm);
        m_changed.notify_all();
    }
    // Waits until every block is measured.
    void finish() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    static constexpr std::size_t MaxWaiting = 16;

    void run() {
        for (;;) {
            QByteArray pcm;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_blocks.empty() || m_done; });
                if (m_blocks.empty())
                    return;
                pcm = std::move(m_blocks.front());
                m_blocks.pop_front();
            }
            m_changed.notify_all();
            const qint64 frames = pcm.size() / m_format.frameBytes();
            switch (m_format.type) {
            case SampleType::Int16:
                m_meter.add(reinterpret_cast<const qint16*>(pcm.constData()), frames);
                break;
            case SampleType::Int32:
                m_meter.add(reinterpret_cast<const qint32*>(pcm.constData()), frames);
                break;
            case SampleType::Float32:
                m_meter.add(reinterpret_cast<const float*>(pcm.constData()), frames);
                break;
            }
        }
    }

    LoudnessMeter& m_meter;
    const PcmFormat m_format;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_blocks;
    bool m_done = false;
    std::thread m_thread; // last: it starts once the rest is set up
};

template <typename T> std::unique_ptr<T> required(std::unique_ptr<T> component) {
    if (!component)
        throw JobError(QStringLiteral("This kind of file cannot be converted here."));
    return component;
}

} // namespace

std::unique_ptr<PcmSource> audioFileSource(std::unique_ptr<AudioReader> reader, const QString& path,
                                           SourceUse use) {
    // One second a block; half a second into RM.
    return std::make_unique<AudioFileSource>(required(std::move(reader)), path,
                                             use == SourceUse::Rm ? 500 : 1000,
                                             use == SourceUse::Lossless);
}

std::unique_ptr<PcmSource> videoSoundSource(std::unique_ptr<VideoReader> video, const QString& path,
                                            SourceUse use) {
    return std::make_unique<VideoSoundSource>(required(std::move(video)), path, 1000,
                                              use == SourceUse::Rm ? VideoToRmBytes : 0,
                                              use == SourceUse::Lossless);
}

std::unique_ptr<PcmSink> writerSink(std::unique_ptr<AudioWriter> writer) {
    if (!writer)
        throw JobError(QStringLiteral("There is no writer for this format."));
    return std::make_unique<WriterSink>(std::move(writer));
}

std::unique_ptr<PcmSink> rmSink(std::unique_ptr<RmWriter> rm, int codec) {
    if (!rm)
        throw JobError(QStringLiteral("There is no RM writer."));
    return std::make_unique<RmSink>(std::move(rm), codec);
}

bool CopyOutcome::anyWritten() const {
    return std::any_of(failures.begin(), failures.end(),
                       [](const QString& failure) { return failure.isEmpty(); });
}

CopyOutcome copyPcm(PcmSource& source, const QVector<CopyTarget>& targets,
                    const std::atomic<bool>& stop, const std::function<void(int)>& progress,
                    std::optional<PeakKind> measure) {
    CopyOutcome outcome;
    outcome.failures.resize(targets.size());
    // Which targets are created and not yet failed.
    std::vector<bool> open(size_t(targets.size()), false);
    const auto failTarget = [&](int i, const std::exception& e) {
        if (open[size_t(i)])
            targets[i].sink->closeQuietly();
        open[size_t(i)] = false;
        outcome.failures[i] = QString::fromUtf8(e.what());
    };
    const auto anyOpen = [&] { return std::find(open.begin(), open.end(), true) != open.end(); };
    try {
        source.open();
        const PcmFormat format = source.format();
        outcome.conversions.resize(targets.size());
        for (int i = 0; i < targets.size(); ++i) {
            try {
                targets[i].sink->create(targets[i].part, format);
                open[size_t(i)] = true;
            } catch (const std::exception& e) {
                failTarget(i, e);
            }
        }
        std::shared_ptr<LoudnessMeter> meter;
        if (measure && anyOpen()) {
            try {
                meter =
                    std::make_shared<LoudnessMeter>(format.sampleRate, format.channels, *measure);
                if (format.channels > 2 && format.channelMask != 0)
                    meter->setSpeakers(format.channelMask);
            } catch (const std::exception&) {
                // A layout the meter cannot take is copied unmeasured.
            }
        }
        std::optional<MeterFeed> feed;
        if (meter)
            feed.emplace(*meter, format);
        int shown = -1;
        // With every target failed there is nothing left to read for.
        while (anyOpen()) {
            if (stop) {
                outcome.stopped = true;
                break;
            }
            const QByteArray pcm = source.read();
            if (pcm.isEmpty())
                break;
            const int hundredths = source.progress();
            if (hundredths != shown && progress) {
                shown = hundredths;
                progress(hundredths);
            }
            if (feed)
                feed->add(pcm);
            for (int i = 0; i < targets.size(); ++i) {
                if (!open[size_t(i)])
                    continue;
                try {
                    targets[i].sink->write(pcm);
                } catch (const std::exception& e) {
                    failTarget(i, e);
                }
            }
        }
        if (feed)
            feed->finish();
        outcome.damage = source.damage();
        for (int i = 0; i < targets.size(); ++i)
            if (open[size_t(i)])
                outcome.conversions[i] = targets[i].sink->conversionFrom(source.sourceFormat());
        source.close();
        for (int i = 0; i < targets.size(); ++i) {
            if (!open[size_t(i)])
                continue;
            try {
                targets[i].sink->close();
                open[size_t(i)] = false;
            } catch (const std::exception& e) {
                failTarget(i, e);
            }
        }
        if (outcome.anyWritten())
            outcome.meter = meter;
        return outcome;
    } catch (const std::exception& e) {
        // Whatever is open is closed before the unfinished files go.
        for (int i = 0; i < targets.size(); ++i) {
            if (open[size_t(i)] || outcome.failures[i].isEmpty())
                failTarget(i, e);
        }
        try {
            source.close();
        } catch (...) {
        }
        return outcome;
    }
}
