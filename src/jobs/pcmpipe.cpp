#include "jobs/pcmpipe.h"

#include "jobs/joberror.h"
#include "jobs/progresstext.h"

#include <algorithm>
#include <cstring>
#include <malloc.h>
#include <utility>

qint64 PcmBuffer::held() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_held;
}

namespace {

// What a block holds in memory, its room beyond its sound included.
qint64 footprint(const QByteArray& block) {
    return std::max<qint64>(block.size(), block.capacity());
}

// Spare blocks kept beyond what the buffer holds at its fullest are let go.
constexpr std::size_t MaxSpareBlocks = 4096;

} // namespace

PcmBuffer::PcmBuffer(qint64 budgetBytes) : m_budget(budgetBytes) {
    // Every track is read and encoded on threads of their own, and glibc
    // gives each thread its own heap, whose freed memory it keeps: on a
    // ten-track rip that doubled the peak beyond the buffer. Two heaps serve
    // a reader and the encoders as fast.
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_ARENA_MAX, 2); });
}

QByteArray PcmBuffer::spareBlock(qsizetype size) {
    while (!m_spare.empty()) {
        QByteArray block = std::move(m_spare.back());
        m_spare.pop_back();
        if (block.capacity() >= size) {
            block.resize(size);
            return block;
        }
    }
    return QByteArray(size, Qt::Uninitialized);
}

void PcmBuffer::keepSpare(QByteArray block) {
    if (block.isDetached() && m_spare.size() < MaxSpareBlocks)
        m_spare.push_back(std::move(block));
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
    QByteArray block = buffer.spareBlock(pcm.size());
    std::memcpy(block.data(), pcm.constData(), size_t(pcm.size()));
    buffer.m_held += footprint(block);
    m_blocks.push_back(std::move(block));
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
    buffer.m_held -= footprint(pcm);
    lock.unlock();
    buffer.m_changed.notify_all();
    return pcm;
}

void PcmPipe::abandon() {
    {
        std::lock_guard<std::mutex> lock(m_buffer->m_mutex);
        m_abandoned = true;
        for (QByteArray& block : m_blocks) {
            m_buffer->m_held -= footprint(block);
            m_buffer->keepSpare(std::move(block));
        }
        m_blocks.clear();
    }
    m_buffer->m_changed.notify_all();
}

void PipeSink::write(const QByteArray& pcm) {
    m_pipe->push(pcm);
}

void PcmPipe::giveBack(QByteArray block) {
    std::lock_guard<std::mutex> lock(m_buffer->m_mutex);
    m_buffer->keepSpare(std::move(block));
}

QByteArray PipeSource::read() {
    if (!m_last.isNull())
        m_pipe->giveBack(std::exchange(m_last, QByteArray()));
    m_last = m_pipe->pop();
    m_read += m_last.size();
    return m_last;
}

int PipeSource::progress() const {
    return progressHundredths(m_read, m_total);
}
