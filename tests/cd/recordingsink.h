#pragma once

#include "components/componenterror.h"
#include "components/trackripper.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <QFile>
#include <QtEndian>

// A rip's sink for tests: writes the PCM as a plain WAV file at path and
// counts what it was asked. Write and Close come from the ripper's thread.
class RecordingSink : public RipSink {
public:
    explicit RecordingSink(const QString& path) {
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw ComponentError(QStringLiteral("Cannot create %1").arg(path));
        m_file.write(header(0));
    }

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
    bool isOpen() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_file.isOpen();
    }
    void write(const QByteArray& pcm) override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (failAfterWrites > 0 && writes >= failAfterWrites)
            throw ComponentError(QStringLiteral("No space left on the disk."));
        ++writes;
        m_file.write(pcm);
        m_data += pcm.size();
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
        qToLittleEndian<quint16>(2, p + 22);
        qToLittleEndian<quint32>(44100, p + 24);
        qToLittleEndian<quint32>(44100 * 4, p + 28);
        qToLittleEndian<quint16>(4, p + 32);
        qToLittleEndian<quint16>(16, p + 34);
        memcpy(p + 36, "data", 4);
        qToLittleEndian<quint32>(dataSize, p + 40);
        return h;
    }

    std::mutex m_lock;
    QFile m_file;
    qint64 m_data = 0;
};
