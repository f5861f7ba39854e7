#pragma once

#include "jobs/copyengine.h"
#include "jobs/jobrow.h"

#include <atomic>
#include <functional>
#include <memory>
#include <QVector>
#include <set>
#include <thread>
#include <vector>

class LoudnessMeter;
class OutputFolder;
class QObject;

// One row copied on a thread of its own: the source into each output's part
// file, read once for all of them, then each output's tags (not into RM), and
// each file gets its name. An output that fails leaves nothing; the others go
// on. Rips and conversions run their rows through it.
//
// With ReplayGain the loudness is measured on the way, once for every output.
// A row of an album whose album values are wanted is held once written: its
// tags and names wait for completeAlbum(), after the album's last row.
class RowCopy {
public:
    // One file the row makes.
    struct Output {
        OutputFormat format = FormatMp3;
        QString path;                  // the name reserved for it
        std::unique_ptr<PcmSink> sink; // none when it could not be made
        TagExtras disc = {};  // what the disc tells of it; the cover and gain are the row's
        QString failure = {}; // without a sink: why
        std::shared_ptr<const OutputFolder> folder = {}; // its folder, held open
    };
    // What became of it; held: the name it will get.
    using OutputResult = RowOutput;
    struct Result {
        bool ok = true; // every output has its file
        bool stopped = false;
        bool held = false; // written and measured, waiting for its album
        // The first output's name; empty for a row cut short after
        // interruptCut(), whose files were removed.
        QString path;
        // Why an output failed; with more than one output, each failure
        // names its format.
        QString message;
        ReplayGainValues gain; // what was written (held: the track's values so far)
        QString conversion;    // what became of the source's format in the file
        SourceDamage damage;   // what the source showed of damage
        QVector<OutputResult> outputs;

        // The name of the first output that has its file; empty when none has.
        QString written() const;
    };
    // progress: hundredths, from the worker. done: from the worker, once,
    // after which result() holds.
    using Progress = std::function<void(int hundredths)>;
    using Done = std::function<void()>;

    RowCopy(JobRow row, std::unique_ptr<PcmSource> source, std::vector<Output> outputs,
            TagWriter tags, const std::atomic<bool>& stop, GainMode gain = GainMode::Off,
            PeakKind peak = PeakKind::Sample);
    // One output of the row's format.
    RowCopy(JobRow row, std::unique_ptr<PcmSource> source, std::unique_ptr<PcmSink> sink,
            QString path, TagWriter tags, const std::atomic<bool>& stop,
            GainMode gain = GainMode::Off, PeakKind peak = PeakKind::Sample);
    // Waits for the worker; an output not given its name leaves nothing.
    ~RowCopy();
    RowCopy(const RowCopy&) = delete;
    RowCopy& operator=(const RowCopy&) = delete;

    // The row's cover is read from its source on the worker, before the copy.
    void takeCoverFrom(CoverReader reader) { m_coverReader = std::move(reader); }
    // A damaged source then fails the row, and its file goes.
    void setRequireComplete(bool require) { m_requireComplete = require; }

    void start(Progress progress, Done done);
    // Waits for the worker.
    void wait();
    // Stop cut the row's source short (a CD track whose read was ended): the
    // copy ends as stopped, unmeasured.
    void markStopped() { m_cut = true; }
    // Before the stop flag is set: a copy that stop then cuts short removes
    // its file instead of keeping it.
    void interruptCut() { m_interrupted = true; }

    const JobRow& row() const { return m_row; }
    const Result& result() const { return m_result; }
    // The measured loudness; null when nothing was measured.
    const LoudnessMeter* meter() const { return m_meter.get(); }

    // Gives every held copy its album values, measured over the held copies
    // that share its album tag and output folder, then its tags and its name.
    // Copies of an album in unfinished keep their track values only.
    // Runs on the caller's thread.
    static void completeAlbum(const std::vector<RowCopy*>& copies,
                              const std::set<QString>& unfinished = {});

private:
    void run(const Progress& progress);
    // The tags with the values in m_result.gain, then the names.
    void tagAndName();
    void outputFailed(int output, const QString& failure);
    bool takesGain() const;
    // The name of the first output that has not failed.
    QString firstPath() const;

    JobRow m_row;
    std::unique_ptr<PcmSource> m_source;
    std::vector<Output> m_outputs;
    std::vector<bool> m_named;
    TagWriter m_tags;
    CoverReader m_coverReader;
    const std::atomic<bool>& m_stop;
    GainMode m_gain;
    PeakKind m_peak;
    bool m_requireComplete = false;
    std::shared_ptr<LoudnessMeter> m_meter;
    Result m_result;
    std::atomic<bool> m_cut{false};
    std::atomic<bool> m_interrupted{false};
    std::thread m_thread;
};

// The held rows of a job, completed on a thread of their own once the job
// has no other row left, so the window never waits for their tags.
class AlbumCompletion {
public:
    ~AlbumCompletion() { wait(); }
    // done comes on context's thread.
    void start(QObject* context, std::vector<RowCopy*> copies, std::set<QString> unfinished,
               std::function<void()> done);
    void wait();
    bool started() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
};

// Takes item out of a job's list of rows in flight; null when it is not there
// (any more).
template <typename T>
std::unique_ptr<T> takeOut(std::vector<std::unique_ptr<T>>& list, const T* item) {
    for (auto at = list.begin(); at != list.end(); ++at)
        if (at->get() == item) {
            std::unique_ptr<T> taken = std::move(*at);
            list.erase(at);
            return taken;
        }
    return nullptr;
}
