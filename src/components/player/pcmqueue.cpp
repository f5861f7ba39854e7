#include "components/player/pcmqueue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

PcmQueue::PcmQueue(int channels, QObject* parent) : QIODevice(parent), m_channels(channels) {
    open(QIODevice::ReadOnly);
}

void PcmQueue::setChannels(int channels) {
    std::lock_guard lock(m_mutex);
    m_channels = channels;
}

void PcmQueue::append(const QByteArray& pcm) {
    if (pcm.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_buffers.push_back(pcm);
        m_queuedBytes += pcm.size();
        m_dryReported = false;
    }
    emit readyRead();
}

void PcmQueue::clear() {
    std::lock_guard lock(m_mutex);
    m_buffers.clear();
    m_frontOffset = 0;
    m_queuedBytes = 0;
    m_dryReported = false;
}

bool PcmQueue::isEmpty() const {
    std::lock_guard lock(m_mutex);
    return m_buffers.empty();
}

qint64 PcmQueue::taken() const {
    std::lock_guard lock(m_mutex);
    return m_taken;
}

qint64 PcmQueue::bytesAvailable() const {
    std::lock_guard lock(m_mutex);
    return m_queuedBytes + QIODevice::bytesAvailable();
}

std::pair<int, int> PcmQueue::takePeaks() {
    std::lock_guard lock(m_mutex);
    const std::pair<int, int> peaks{m_peakLeft, m_peakRight};
    m_peakLeft = m_peakRight = 0;
    return peaks;
}

qint64 PcmQueue::take(char* data, qint64 maxSize) {
    int consumedBuffers = 0;
    bool dry = false;
    qint64 copied = 0;
    {
        std::lock_guard lock(m_mutex);
        while (copied < maxSize && !m_buffers.empty()) {
            const QByteArray& front = m_buffers.front();
            const qint64 count = std::min<qint64>(maxSize - copied, front.size() - m_frontOffset);
            const char* source = front.constData() + m_frontOffset;
            if (data)
                std::memcpy(data + copied, source, std::size_t(count));
            for (qint64 i = 0; i + 1 < count; i += 2) {
                qint16 sample;
                std::memcpy(&sample, source + i, 2);
                const int level = std::min(std::abs(int(sample)), 32767);
                // Mono counts for both channels.
                const bool left = m_channels == 1 || ((m_frontOffset + i) / 2) % m_channels == 0;
                int& peak = left ? m_peakLeft : m_peakRight;
                peak = std::max(peak, level);
                if (m_channels == 1)
                    m_peakRight = m_peakLeft;
            }
            copied += count;
            m_taken += count;
            m_frontOffset += int(count);
            m_queuedBytes -= count;
            if (m_frontOffset == front.size()) {
                m_buffers.pop_front();
                m_frontOffset = 0;
                ++consumedBuffers;
            }
        }
        if (m_buffers.empty() && !m_dryReported) {
            m_dryReported = true;
            dry = true;
        }
    }
    for (int i = 0; i < consumedBuffers; ++i)
        emit bufferConsumed();
    if (dry)
        emit ranDry();
    return copied;
}

qint64 PcmQueue::readData(char* data, qint64 maxSize) {
    return take(data, maxSize);
}

qint64 PcmQueue::discard(qint64 bytes) {
    return take(nullptr, bytes);
}

qint64 PcmQueue::writeData(const char*, qint64) {
    return -1;
}
