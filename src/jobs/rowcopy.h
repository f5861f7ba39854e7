#pragma once

#include "jobs/copyengine.h"
#include "jobs/jobrow.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// One row copied on a thread of its own: the source into the sink's part
// file, the row's tags (not into RM), then the file gets its name. A row that
// fails leaves nothing. Rips and conversions run their rows through it.
class RowCopy {
public:
    struct Result {
        bool ok = true;
        bool stopped = false;
        QString path; // the name the file got
        QString message;
    };
    // progress: hundredths, from the worker. done: from the worker, once,
    // after which result() holds.
    using Progress = std::function<void(int hundredths)>;
    using Done = std::function<void()>;

    RowCopy(JobRow row, std::unique_ptr<PcmSource> source, std::unique_ptr<PcmSink> sink,
            QString path, TagWriter tags, const std::atomic<bool>& stop);
    // Waits for the worker; a row not given its name leaves nothing.
    ~RowCopy();
    RowCopy(const RowCopy&) = delete;
    RowCopy& operator=(const RowCopy&) = delete;

    void start(Progress progress, Done done);
    // Waits for the worker.
    void wait();

    const JobRow& row() const { return m_row; }
    const Result& result() const { return m_result; }
    PcmSource& source() { return *m_source; }

private:
    void run(const Progress& progress);

    JobRow m_row;
    std::unique_ptr<PcmSource> m_source;
    std::unique_ptr<PcmSink> m_sink;
    QString m_path;
    TagWriter m_tags;
    const std::atomic<bool>& m_stop;
    Result m_result;
    bool m_named = false;
    std::thread m_thread;
};
