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

// One range ripped into a sink on a thread of its own: the task writes the
// PCM and, when all of it is there, closes the sink. Reports come from the
// task's thread.
class GrabTask {
public:
    struct Job {
        CdDrive drive;
        RipRange range;
        CdToc toc; // what the caller read; a different disc in the drive fails the rip
        ReadPlan plan;
        std::shared_ptr<RipSink> sink; // shared, so that an aborted task never outlives it
        TrackReader::FaultFilter faults;
        // Where the disc's audio lies, and whether the range is its first or
        // last audio track: the checksums leave out the disc's edges.
        std::pair<int, int> audio{0, -1};
        bool firstAudio = false;
        bool lastAudio = false;
        // The disc as CTDB sums it, and the track's place among its tracks
        // (-1: none, as the hidden track).
        CtdbDisc ctdbDisc{};
        int ctdbTrack = -1;
        bool checksums = true; // off only to measure what they cost
    };
    using Progress = std::function<void(double percent)>;
    // ok: the sink has all of the range and is closed; otherwise error says why not.
    using Finished = std::function<void(bool ok, const QString& error, const TrackCheck& check)>;

    GrabTask(Job job, Progress progress, Finished finished, TrackReader::RetryReport retry);
    // Stops the task and waits for its thread.
    ~GrabTask();
    GrabTask(const GrabTask&) = delete;
    GrabTask& operator=(const GrabTask&) = delete;

    void start();
    // Returns at once. Afterwards the task neither touches the sink nor
    // reports anything; its thread winds down on its own.
    void abort();
    bool isDone() const { return m_done.load(); }

private:
    void run();
    void fail(const QString& error);
    // Runs action with the sink unless the task was aborted; false then.
    bool withSink(const std::function<void(RipSink&)>& action);

    Job m_job;
    Progress m_progress;
    Finished m_finished;
    TrackReader::RetryReport m_retry;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    std::mutex m_sinkLock;
    bool m_detached = false;
    std::thread m_thread;
};
