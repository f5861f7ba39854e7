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

// Writers made as the window makes them, from the settings file at
// settingsPath as it is when the row starts.
WriterFactory settingsWriters(const QString& settingsPath);
ReaderFactory audioReaders();
VideoFactory videoFiles();
RmWriterFactory rmWriters();

// Title, artist, album and year as mutagen reads them, one per file in files' order.
QList<RowTag> mutagenTags(const QStringList& files);

// Another user who may write in the output folder: nobody when the tests run
// as root, else the tests' own user. Its work runs in a child process.
namespace SecondUser {
// Lets the second user write in folder and reach it.
void mayWriteIn(const QString& folder);
// Moves path aside (to path + ".moved") and puts a link to target in its place.
void swapForLink(const QString& path, const QString& target);
// Until destroyed, swaps each entry of folder whose name holds marker for a
// link to target as soon as it appears.
class Racer {
public:
    Racer(const QString& folder, const QByteArray& marker, const QString& target);
    ~Racer();
    Racer(const Racer&) = delete;
    Racer& operator=(const Racer&) = delete;

private:
    int m_pid = -1;
};
} // namespace SecondUser

#include "components/audioreader.h"
#include "components/audiowriter.h"
#include "components/videoreader.h"

#include <condition_variable>
#include <memory>
#include <mutex>

// Pass every call on to a real component; tests override what they change.
class ForwardingReader : public AudioReader {
public:
    explicit ForwardingReader(std::unique_ptr<AudioReader> inner) : m_inner(std::move(inner)) {}
    void open(const QString& path) override { m_inner->open(path); }
    QByteArray read(int frames) override { return m_inner->read(frames); }
    void seek(qint64 frame) override { m_inner->seek(frame); }
    qint64 getLength() override { return m_inner->getLength(); }
    int getDurationMs() override { return m_inner->getDurationMs(); }
    int getBlockAlign() override { return m_inner->getBlockAlign(); }
    int getChannels() override { return m_inner->getChannels(); }
    int getSampleRate() override { return m_inner->getSampleRate(); }
    void close() override { m_inner->close(); }
    bool getIsOpen() override { return m_inner->getIsOpen(); }

protected:
    std::unique_ptr<AudioReader> m_inner;
};

class ForwardingWriter : public AudioWriter {
public:
    explicit ForwardingWriter(std::unique_ptr<AudioWriter> inner) : m_inner(std::move(inner)) {}
    void setInputFormat(int rate, int channels) override {
        m_inner->setInputFormat(rate, channels);
    }
    void create(const QString& path) override { m_inner->create(path); }
    void write(const QByteArray& pcm) override { m_inner->write(pcm); }
    void close() override { m_inner->close(); }
    bool getIsOpen() override { return m_inner->getIsOpen(); }

protected:
    std::unique_ptr<AudioWriter> m_inner;
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
