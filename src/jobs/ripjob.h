#pragma once

#include "jobs/job.h"

#include <atomic>
#include <memory>

class IAudioCDGrabber2;
class QThread;

struct RipComponents {
    WriterFactory writer; // MP3, WAV, WMA and OGG: the grabber rips into it
    VideoFactory rm;      // the RM writer, fed with raw reads of the track
    TagWriter tags;       // WriteRowTags when not given
};

// Rips the given tracks of the disc in the grabber's current drive, one after
// the other. MP3, WAV, WMA and OGG go through the grabber's own rip into a
// writer made for the row, with the grabber's progress; RM is read raw, about
// half a second per block, into the RM writer. After a row other than RM its
// tags are written, also into a file that Stop cut short.
class RipJob : public Job {
    Q_OBJECT
public:
    // The grabber must outlive the job; the job lives on the grabber's thread.
    RipJob(JobSettings settings, QVector<JobRow> rows, IAudioCDGrabber2& grabber,
           RipComponents components, QObject* parent = nullptr);
    // Aborts a rip still running and waits for an RM copy.
    ~RipJob() override;

    void stop() override;

    // CD frames per raw read: 38 frames of 1/75 s, about half a second.
    static constexpr int RawReadFrames = 38;

private:
    enum class State { Idle, Grabbing, Copying };
    struct RmOutcome {
        bool ok = true;
        QString message;
    };

    void begin() override;
    void nextRow();
    void startGrab(const JobRow& row);
    void startRmCopy(const JobRow& row);
    void grabProgress(double percent);
    void grabFailed(const QString& message);
    // Closes the writer and writes the tags; then the row is done.
    void finishGrab(bool stopped);
    void rmDone(const RmOutcome& outcome);
    RmOutcome copyRaw(int row, int trackFrames);
    void rowEnded();
    void closeWriterQuietly();

    IAudioCDGrabber2& m_grabber;
    RipComponents m_components;
    int m_next = 0;
    State m_state = State::Idle;
    std::atomic<bool> m_stop{false};
    const JobRow* m_row = nullptr;
    QString m_path;
    QString m_lastFolder; // of the last row that was processed
    std::shared_ptr<IAudioFile2> m_writer;
    std::unique_ptr<IVideoFile> m_rm;
    QThread* m_worker = nullptr;
    QMetaObject::Connection m_progressConnection;
    QMetaObject::Connection m_errorConnection;
};
