#pragma once

#include <deque>
#include <mutex>
#include <QByteArray>
#include <QIODevice>

// The player's queue of PCM buffers, read by the audio output as a device.
// An audio backend may read it from its own thread, so the queue is locked and
// its two signals are meant for queued connections.
class PcmQueue : public QIODevice {
    Q_OBJECT
public:
    explicit PcmQueue(int channels, QObject* parent = nullptr);

    void setChannels(int channels);
    void append(const QByteArray& pcm);
    void clear();
    bool isEmpty() const;
    // Takes up to `bytes` from the front and forgets them, as a silent output does.
    qint64 discard(qint64 bytes);
    // Bytes read from the queue since it was made.
    qint64 taken() const;
    // The loudest sample per channel of what was read since the last call, 0..32767.
    std::pair<int, int> takePeaks();

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

signals:
    // A queued buffer has been read to its end.
    void bufferConsumed();
    // A read found nothing left; sent once until the next append.
    void ranDry();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    qint64 take(char* data, qint64 maxSize);

    mutable std::mutex m_mutex;
    std::deque<QByteArray> m_buffers;
    int m_frontOffset = 0;
    qint64 m_queuedBytes = 0;
    qint64 m_taken = 0;
    int m_channels;
    int m_peakLeft = 0;
    int m_peakRight = 0;
    bool m_dryReported = false;
};
