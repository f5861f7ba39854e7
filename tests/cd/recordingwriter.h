#pragma once

#include "components/audiowriter.h"
#include "components/componenterror.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <QFile>
#include <QtEndian>

// An output writer for tests: writes 16-bit PCM as a plain WAV file and
// remembers what it was asked. Write and Close may come from another thread.
class RecordingWriter : public AudioWriter {
public:
    int rate = 0;
    int channels = 0;
    std::atomic<int> writes{0};
    std::atomic<int> closes{0};
    // Write raises this after so many calls (0 = never), like a full disk.
    int failAfterWrites = 0;

    void close() override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_file.isOpen())
            return;
        const quint32 size = quint32(m_data);
        m_file.seek(0);
        m_file.write(header(size));
        m_file.close();
        ++closes;
    }
    bool getIsOpen() override {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_file.isOpen();
    }
    void create(const QString& path) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw ComponentError(QStringLiteral("Cannot create %1").arg(path));
        m_data = 0;
        m_file.write(header(0));
    }
    void write(const QByteArray& pcm) override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (failAfterWrites > 0 && writes >= failAfterWrites)
            throw ComponentError(QStringLiteral("No space left on the disk."));
        ++writes;
        m_file.write(pcm);
        m_data += pcm.size();
    }
    void setInputFormat(int sampleRate, int channelCount) override {
        rate = sampleRate;
        channels = channelCount;
    }

private:
    QByteArray header(quint32 dataSize) const {
        QByteArray h(44, '\0');
        auto* p = reinterpret_cast<uchar*>(h.data());
        memcpy(p, "RIFF", 4);
        qToLittleEndian<quint32>(36 + dataSize, p + 4);
        memcpy(p + 8, "WAVEfmt ", 8);
        qToLittleEndian<quint32>(16, p + 16);
        qToLittleEndian<quint16>(1, p + 20);
        qToLittleEndian<quint16>(quint16(channels), p + 22);
        qToLittleEndian<quint32>(quint32(rate), p + 24);
        qToLittleEndian<quint32>(quint32(rate * channels * 2), p + 28);
        qToLittleEndian<quint16>(quint16(channels * 2), p + 32);
        qToLittleEndian<quint16>(16, p + 34);
        memcpy(p + 36, "data", 4);
        qToLittleEndian<quint32>(dataSize, p + 40);
        return h;
    }

    std::mutex m_lock;
    QFile m_file;
    qint64 m_data = 0;
};
