#pragma once

#include "cd/accuraterip.h"
#include "cd/trackcheck.h"
#include "jobs/job.h"
#include "jobs/ripcheck.h"
#include "jobs/riplog.h"

#include <atomic>
#include <map>
#include <memory>

class AccurateRipClient;
class IAudioCDGrabber2;
class QThread;

struct RipComponents {
    WriterFactory writer;   // MP3, WAV, WMA and OGG: the grabber rips into it
    VideoFactory rm;        // the RM writer, fed with raw reads of the track
    TagWriter tags;         // WriteRowTags when not given
    RipCheckSettings check; // AccurateRip and the rip log; both off by default
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

    // Whether every finished row gets a rowVerified.
    bool verifiesRows() const { return m_components.check.lookUp; }
    // Where the rip log went, once the job is over; empty when none was written.
    QString logPath() const { return m_logPath; }

signals:
    // What the AccurateRip database says of a finished row; comes after its
    // rowFinished and before the job's end, for every finished row of a
    // rip that is checked.
    void rowVerified(int row, const ArVerdict& verdict);

public:
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
    // The row's file is complete: keep its checks and, when the database has
    // answered, say what it holds of them.
    void rowChecked(const JobRow& row, const QString& path, bool stopped);
    void lookupDone(const QVector<ArChunk>& chunks, bool notFound, const QString& error);
    void verify(int row);
    // After the last row: waits for the database, writes the log, ends.
    void complete();
    void writeLog();

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

    // Checking the rip.
    DiscLayout m_layout;
    int m_offset = 0;
    std::unique_ptr<AccurateRipClient> m_accurateRip;
    bool m_lookupPending = false;
    bool m_completing = false;
    QVector<ArChunk> m_chunks;
    ArVerdict m_discVerdict;                  // not in the database, or why the lookup failed
    std::map<int, RipLog::Track> m_logTracks; // by row
    QString m_logPath;
};

Q_DECLARE_METATYPE(ArVerdict)
