#include "jobs/pcmpipe.h"

#include "jobs/joberror.h"
#include "jobs/progresstext.h"

qint64 PcmBuffer::held() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_held;
}

PcmPipe::~PcmPipe() {
    abandon();
}

void PcmPipe::push(const QByteArray& pcm) {
    if (pcm.isEmpty())
        return;
    PcmBuffer& buffer = *m_buffer;
    std::unique_lock<std::mutex> lock(buffer.m_mutex);
    // A block larger than the whole budget still passes once the rest is taken.
    buffer.m_changed.wait(lock, [&] {
        return m_finished || m_abandoned || buffer.m_held == 0 ||
               buffer.m_held + pcm.size() <= buffer.m_budget;
    });
    if (m_abandoned)
        throw JobError(QStringLiteral("The track's file could not be written."));
    if (m_finished)
        return;
    m_blocks.push_back(pcm);
    buffer.m_held += pcm.size();
    lock.unlock();
    buffer.m_changed.notify_all();
}

void PcmPipe::finish() {
    {
        std::lock_guard<std::mutex> lock(m_buffer->m_mutex);
        m_finished = true;
    }
    m_buffer->m_changed.notify_all();
}

void PcmPipe::fail(const QString& message) {
    {
        std::lock_guard<std::mutex> lock(m_buffer->m_mutex);
        m_failure = message.isEmpty() ? QStringLiteral("The track could not be read.") : message;
    }
    m_buffer->m_changed.notify_all();
}

QByteArray PcmPipe::pop() {
    PcmBuffer& buffer = *m_buffer;
    std::unique_lock<std::mutex> lock(buffer.m_mutex);
    buffer.m_changed.wait(lock,
                          [&] { return !m_blocks.empty() || m_finished || !m_failure.isEmpty(); });
    if (!m_failure.isEmpty())
        throw JobError(m_failure);
    if (m_blocks.empty())
        return {};
    QByteArray pcm = std::move(m_blocks.front());
    m_blocks.pop_front();
    buffer.m_held -= pcm.size();
    lock.unlock();
    buffer.m_changed.notify_all();
    return pcm;
}

void PcmPipe::abandon() {
    {
        std::lock_guard<std::mutex> lock(m_buffer->m_mutex);
        m_abandoned = true;
        for (const QByteArray& block : m_blocks)
            m_buffer->m_held -= block.size();
        m_blocks.clear();
    }
    m_buffer->m_changed.notify_all();
}

void PipeWriter::refuse() {
    throw JobError(QStringLiteral("The rip's writer only writes."));
}

void PipeWriter::Write(const QByteArray& pcm) {
    m_pipe->push(pcm);
    m_bytes += pcm.size();
}

void PipeWriter::Close() {
    m_open = false;
}

QByteArray PipeSource::read() {
    QByteArray pcm = m_pipe->pop();
    m_read += pcm.size();
    return pcm;
}

int PipeSource::progress() const {
    return ProgressHundredths(m_read, m_total);
}
