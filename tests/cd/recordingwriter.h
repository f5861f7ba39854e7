#pragma once

#include "components/componenterror.h"
#include "components/iaudiofile2.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <QFile>
#include <QtEndian>

// An output writer for tests: writes 16-bit PCM as a plain WAV file and
// remembers what it was asked. Write and Close may come from another thread.
class RecordingWriter : public IAudioFile2 {
public:
    int rate = 0;
    int channels = 0;
    std::atomic<int> writes{0};
    std::atomic<int> closes{0};
    // Write raises this after so many calls (0 = never), like a full disk.
    int failAfterWrites = 0;

    void Open(const QString&) override { throw ComponentError(QStringLiteral("writer only")); }
    QByteArray Read(int) override { return {}; }
    void Seek(qint64) override {}
    qint64 GetLength() override { return 0; }
    int GetDurationMs() override { return 0; }
    int GetBlockAlign() override { return 4; }
    int GetChannels() override { return channels; }
    int GetSampleRate() override { return rate; }

    void Close() override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_file.isOpen())
            return;
        const quint32 size = quint32(m_data);
        m_file.seek(0);
        m_file.write(header(size));
        m_file.close();
        ++closes;
    }
    bool GetIsOpen() override {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_file.isOpen();
    }
    void Create(const QString& path) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw ComponentError(QStringLiteral("Cannot create %1").arg(path));
        m_data = 0;
        m_file.write(header(0));
    }
    void Write(const QByteArray& pcm) override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (failAfterWrites > 0 && writes >= failAfterWrites)
            throw ComponentError(QStringLiteral("No space left on the disk."));
        ++writes;
        m_file.write(pcm);
        m_data += pcm.size();
    }
    void SetInputFormat(int sampleRate, int channelCount) override {
        rate = sampleRate;
        channels = channelCount;
    }
    void SetWavFormat(int, int, int) override {}
    void SetMp3Encoder(IAudioFile2LameEnc*) override {}
    void SetOggFormat(int, int, int, int, int, int) override {}
    void SetWmaProfile(int) override {}
    void ResetFormat(int) override {}

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
