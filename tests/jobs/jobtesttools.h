#pragma once

#include "jobs/job.h"

#include <QMap>
#include <QString>
#include <QStringList>

// A job's signals as lines, in the order they came:
// "start R", "progress R TEXT", "finish R", "stop R", "fail R MESSAGE", "end FOLDER".
struct JobEvents {
    QStringList lines;
    QMap<int, QString> outputs;      // row -> output path (finished or stopped)
    QMap<int, QStringList> progress; // row -> progress texts
    QMap<int, QString> failures;     // row -> message
    QString folder;
    bool ended = false;

    void watch(Job& job);
    // Starts the job and waits until it has finished; false if it never does.
    bool run(Job& job);
    // The lines that start with prefix ("start", "finish", ...).
    QStringList only(const QString& prefix) const;
};

// Writers made as the window makes them: an OutputWriter set up by
// ApplyEncoderSettings from the settings file at settingsPath.
WriterFactory SettingsWriters(const QString& settingsPath);
ReaderFactory AudioReaders();
VideoFactory VideoFiles();

// Title, artist, album and year as mutagen reads them, one per file in files' order.
QList<RowTag> MutagenTags(const QStringList& files);

#include "components/iaudiofile2.h"
#include "components/ivideofile.h"

#include <condition_variable>
#include <memory>
#include <mutex>

// Passes every call on to a real component; tests override what they change.
class ForwardingAudioFile : public IAudioFile2 {
public:
    explicit ForwardingAudioFile(std::unique_ptr<IAudioFile2> inner) : m_inner(std::move(inner)) {}
    void Open(const QString& path) override { m_inner->Open(path); }
    QByteArray Read(int frames) override { return m_inner->Read(frames); }
    void Seek(qint64 frame) override { m_inner->Seek(frame); }
    qint64 GetLength() override { return m_inner->GetLength(); }
    int GetDurationMs() override { return m_inner->GetDurationMs(); }
    int GetBlockAlign() override { return m_inner->GetBlockAlign(); }
    int GetChannels() override { return m_inner->GetChannels(); }
    int GetSampleRate() override { return m_inner->GetSampleRate(); }
    void Close() override { m_inner->Close(); }
    bool GetIsOpen() override { return m_inner->GetIsOpen(); }
    void Create(const QString& path) override { m_inner->Create(path); }
    void Write(const QByteArray& pcm) override { m_inner->Write(pcm); }
    void SetInputFormat(int rate, int channels) override {
        m_inner->SetInputFormat(rate, channels);
    }
    void SetWavFormat(int rate, int channels, int bits) override {
        m_inner->SetWavFormat(rate, channels, bits);
    }
    void SetMp3Encoder(IAudioFile2LameEnc* encoder) override { m_inner->SetMp3Encoder(encoder); }
    void SetOggFormat(int rate, int channels, int bitrate, int minBitrate, int maxBitrate,
                      int quality) override {
        m_inner->SetOggFormat(rate, channels, bitrate, minBitrate, maxBitrate, quality);
    }
    void SetWmaProfile(int profile) override { m_inner->SetWmaProfile(profile); }
    void ResetFormat(int format) override { m_inner->ResetFormat(format); }

protected:
    std::unique_ptr<IAudioFile2> m_inner;
};

// A one-shot gate: wait() blocks until open() was called.
class Gate {
public:
    void open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};
