#pragma once

#include "jobs/jobrow.h"
#include "mirror/mirrorplan.h"
#include "mirror/mirrorstate.h"
#include "mirror/treewalker.h"

#include <deque>
#include <memory>
#include <optional>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <set>
#include <vector>

class FileAcceptance;
class Job;

// A folder tree kept in a second format: every audio file below the source
// folders is converted into the output folder under its path below its
// source folder, and what was done is remembered (MirrorState), so that the
// next run converts only what changed. The walk, the state and the
// scheduling live on the run's thread; each conversion is a conversion job
// of one row, as many at once as allowed, and each copy a thread of its own.
struct MirrorRequest {
    QStringList sources; // folders
    QString destination;
    MirrorChoices choices;
    bool force = false;      // every file is made again
    bool deleteGone = false; // outputs whose source is gone are removed
    int jobs = 1;            // files at once
    JobSettings job;         // how each file is converted; its folder is the mirror's
    JobParts parts;
    QString settings; // conversionSettingsText of the job
};

class MirrorRun : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Converted, Copied, Failed, Deleted };
    struct Counts {
        int found = 0; // files mirrored (converted, copied or found up to date)
        int converted = 0;
        int copied = 0;
        int upToDate = 0;
        int failed = 0;
        int deleted = 0;
        bool walking = true;
        int done() const { return converted + copied + upToDate + failed; }
    };

    explicit MirrorRun(MirrorRequest request, QObject* parent = nullptr);
    ~MirrorRun() override;

    // Checks the folders and opens the state; raises MirrorError when the
    // mirror cannot run. The work begins on the event loop.
    void start();
    // Starts no other file; the running ones finish.
    void stop();
    // Starts no other file; the running ones are removed unfinished.
    void interrupt();

    const Counts& counts() const { return m_counts; }
    // Seconds left, by the pace of the files made so far; none before one
    // was made or while the walk goes on.
    std::optional<qint64> secondsLeft() const;

signals:
    // Something the user should know that is no file's result (a state set aside).
    void note(const QString& text);
    // A file or folder that could not be looked at; unread: a folder whose
    // files were left out.
    void problem(const QString& path, const QString& reason, bool unread);
    void fileDone(MirrorRun::Outcome outcome, const QString& source, const QString& output,
                  const QString& message);
    void progress();
    void finished();

private:
    struct Item {
        TreeWalker::File file;
        MirrorAction action = MirrorAction::Convert;
        std::optional<MirrorState::Record> old;
        MirrorState::Record record; // what is saved once it is done
    };
    struct Copy;

    void schedule();
    void pump();
    void take(const TreeWalker::File& file);
    bool adopt(const TreeWalker::File& file, const QString& settings, const QString& output);
    void startItem(Item item);
    void startConversion(Item item, const QString& folder);
    void startCopy(Item item, std::shared_ptr<const class OutputFolder> folder);
    void itemDone(const Item& item, Outcome outcome, const QString& output, const QString& message);
    void removeGone();
    void end();

    MirrorRequest m_request;
    std::unique_ptr<MirrorState> m_state;
    std::vector<std::unique_ptr<TreeWalker>> m_walkers; // one per source folder
    std::size_t m_walker = 0;
    std::deque<Item> m_queue;
    std::set<QString> m_inFlight; // outputs being made, by their first name
    std::vector<std::unique_ptr<Job>> m_jobs;
    std::vector<std::unique_ptr<Copy>> m_copies;
    std::unique_ptr<FileAcceptance> m_acceptance;
    std::vector<QString> m_unread; // folders whose files were not all seen
    bool m_adoptFound = false;     // the state was made anew: outputs on disk count
    bool m_stopping = false;
    bool m_interrupted = false;
    bool m_pumpQueued = false;
    bool m_ended = false;
    Counts m_counts;
    QElapsedTimer m_clock;
};
