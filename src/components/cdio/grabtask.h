#pragma once

#include "checksums/trackcheck.h"
#include "components/cdio/cddisc.h"
#include "components/cdio/trackreader.h"
#include "values/cdtoc.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <QString>
#include <thread>

class AudioWriter;

// One track ripped into the output writer on a thread of its own. The writer
// has been created by the caller; the task writes the PCM and closes the file.
// Reports come from the task's thread.
class GrabTask {
public:
    struct Job {
        CdDrive drive;
        CdTrack track;
        CdToc toc; // what the caller read; a different disc in the drive fails the rip
        ReadSettings settings;
        std::shared_ptr<AudioWriter> writer; // shared, so that an aborted task never outlives it
        TrackReader::FaultFilter faults;
        // Where the disc's audio lies, and whether the track is its first or
        // last audio track: the checksums leave out the disc's edges.
        std::pair<int, int> audio{0, -1};
        bool firstAudio = false;
        bool lastAudio = false;
        bool checksums = true; // off only to measure what they cost
    };
    using Progress = std::function<void(double percent)>;
    // ok: the file is complete and closed; otherwise error says why it is not.
    using Finished = std::function<void(bool ok, const QString& error, const TrackCheck& check)>;

    GrabTask(Job job, Progress progress, Finished finished, TrackReader::RetryReport retry);
    // Stops the task and waits for its thread.
    ~GrabTask();
    GrabTask(const GrabTask&) = delete;
    GrabTask& operator=(const GrabTask&) = delete;

    void start();
    // Returns at once. Afterwards the task neither touches the writer nor
    // reports anything; its thread winds down on its own.
    void abort();
    bool isDone() const { return m_done.load(); }

private:
    void run();
    void fail(const QString& error);
    void closeQuietly();
    // Runs action with the writer unless the task was aborted; false then.
    bool withWriter(const std::function<void(AudioWriter*)>& action);

    Job m_job;
    Progress m_progress;
    Finished m_finished;
    TrackReader::RetryReport m_retry;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    std::mutex m_writerLock;
    bool m_detached = false;
    std::thread m_thread;
};
