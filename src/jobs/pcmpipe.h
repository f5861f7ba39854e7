#pragma once

#include "components/trackripper.h"
#include "jobs/copyengine.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <QByteArray>
#include <QString>
#include <vector>

// The PCM a rip has read and its encoders have not yet taken, in one budget
// for the whole job: the reader waits while the budget is spent, so that
// reading ahead never holds more than that in memory.
class PcmBuffer {
public:
    explicit PcmBuffer(qint64 budgetBytes);

    // PCM waiting, over every pipe.
    qint64 held() const;

private:
    friend class PcmPipe;
    // Blocks are used again rather than freed: a rip passes hundreds of
    // megabytes from the reader's thread to the encoders', and memory freed
    // on one thread for another's allocations stays with the process.
    QByteArray spareBlock(qsizetype size);
    void keepSpare(QByteArray block);

    mutable std::mutex m_mutex;
    std::vector<QByteArray> m_spare;
    std::condition_variable m_changed;
    const qint64 m_budget;
    qint64 m_held = 0;
};

// One track's PCM from the reader to its encoder, through the job's buffer.
class PcmPipe {
public:
    explicit PcmPipe(std::shared_ptr<PcmBuffer> buffer) : m_buffer(std::move(buffer)) {}
    ~PcmPipe();

    // Reader: waits while the buffer is full. Raises JobError once the
    // encoder has given up, so the read ends too.
    void push(const QByteArray& pcm);
    // Reader: the track is read to its end, or as far as it will be; later
    // pushes are let go at once.
    void finish();
    // Reader: the read failed; the encoder's next pop raises with message.
    void fail(const QString& message);

    // Encoder: the next block, waiting for it; empty at the end. Raises
    // JobError after fail().
    QByteArray pop();
    // Encoder: it writes no more; what is queued is let go.
    void abandon();
    // Encoder: a block popped earlier is done with; its memory carries the next.
    void giveBack(QByteArray block);

private:
    void release(qint64 bytes);

    std::shared_ptr<PcmBuffer> m_buffer;
    std::deque<QByteArray> m_blocks;
    bool m_finished = false;
    bool m_abandoned = false;
    QString m_failure;
};

// The ripper rips into this sink: it hands the PCM to a pipe; the file itself
// is written by the encoder. The job ends the pipe, since a file of the whole
// disc takes several rips.
class PipeSink : public RipSink {
public:
    explicit PipeSink(std::shared_ptr<PcmPipe> pipe) : m_pipe(std::move(pipe)) {}

    void write(const QByteArray& pcm) override;
    void close() override {}

private:
    std::shared_ptr<PcmPipe> m_pipe;
};

// The encoder's side of a CD track: 44100 Hz stereo from the pipe, its
// progress counted against the track's length.
class PipeSource : public PcmSource {
public:
    PipeSource(std::shared_ptr<PcmPipe> pipe, qint64 trackBytes)
        : m_pipe(std::move(pipe)), m_total(trackBytes) {}

    void open() override {}
    int sampleRate() const override { return 44100; }
    int channels() const override { return 2; }
    QByteArray read() override;
    int progress() const override;
    void close() override { m_pipe->abandon(); }

private:
    std::shared_ptr<PcmPipe> m_pipe;
    QByteArray m_last; // the block read last, given back at the next read
    qint64 m_total;
    qint64 m_read = 0;
};
