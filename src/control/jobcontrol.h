#pragma once

#include "checksums/witnesses.h"
#include "control/jobwatcher.h"
#include "jobs/job.h"
#include "jobs/jobprogress.h"
#include "jobs/jobsetup.h"

#include <memory>
#include <QObject>

class DriveSession;
class Shell;
class SettingsFile;
class UserPrompt;
class RowModel;
struct MainState;

// The window's side of a rip or a conversion: takes the rows when the job
// starts, shows each row's progress and end in its Status, keeps jobRunning
// set until the job is over, then opens the output folder and lists the rows
// that failed in one box.
class JobControl : public QObject {
    Q_OBJECT
public:
    static constexpr const char* Finished = "Finish";
    static constexpr const char* Failed = "Error";
    static constexpr const char* FailuresHeading = "Orvelle could not finish these rows:";
    // A row made from a damaged source: "Finish !".
    static constexpr const char* FinishedDamaged = "Finish !";

    JobControl(MainState& state, RowModel& rows, DriveSession& drives, UserPrompt& prompt,
               Shell& shell, QObject* parent = nullptr);
    ~JobControl() override;

    // The parts the jobs make their rows from; what is left empty is real.
    void setParts(JobParts parts) { m_parts = std::move(parts); }
    // Told of each job from its start to its end; null for none.
    void setWatcher(JobWatcher* watcher) { m_watcher = watcher; }

    // Starts the request's job on the list: a rip on its ticked rows, a
    // conversion on every row, in list order, each row in the format its
    // Target names when the job reaches it.
    void start(JobRequest request, const SettingsFile& settings);
    // Ends the current row at its next block; the job ends through `ended`.
    void stop();
    // Ends as stop() does, but the rows cut short leave nothing (see Job::interrupt).
    void interrupt();
    bool running() const { return m_job != nullptr; }

    // "Finish ✓ 12" (accurate, 12 rips agree), "Finish ✗" (mismatch), "Finish ?"
    // (not compared): a checked row's Status; its tooltip says it in words.
    // The tick counts either database's word.
    static QString finishedText(const TrackVerdict& verdict);
    // The same in words, for a screen reader: "Finish, accurate, 12 agree".
    static QString finishedWords(const TrackVerdict& verdict);
    // "9 of 10 tracks accurately ripped.", or with CTDB asked too "9 of 10
    // tracks accurate (AccurateRip 9, CTDB 10)".
    static QString accurateCountText(const QVector<TrackVerdict>& verdicts);

signals:
    // setControlsEnabled: false when a job starts, true when it is over.
    void controlsEnabled(bool enabled);
    // A row is being processed: its tags belong in the tag edits.
    void rowStarted(int row);
    // The job is over, its folder opened and its failures shown.
    void ended();

private:
    void run(std::unique_ptr<Job> job, const QVector<JobRow>& rows, JobOutcome::Kind kind);
    void rowDone(int row);
    void finish(const QString& folderToOpen);
    QString failureText(const Job& job) const;
    // The rows whose sources were damaged, for the closing message.
    QString damageText(const Job& job) const;
    // The row's Status and its tooltip once its file is made.
    void showFinished(const Job& job, int row);

    MainState& m_state;
    RowModel& m_rows;
    DriveSession& m_drives;
    UserPrompt& m_prompt;
    Shell& m_shell;
    JobParts m_parts;
    std::unique_ptr<Job> m_job;
    QVector<JobRow> m_jobRows;
    QVector<TrackVerdict> m_verdicts; // of the rip running
    JobWatcher* m_watcher = nullptr;
    JobOutcome m_outcome; // of the job running, as far as it got
    JobProgress m_progress;
};
