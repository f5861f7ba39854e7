#pragma once

#include "checksums/accuraterip.h"
#include "jobs/job.h"
#include "jobs/jobrow.h"
#include "jobs/ripcheck.h"

#include <memory>
#include <QObject>

class CdGrabber;
class Shell;
class UserPrompt;
class RowModel;
struct EncoderSettings;
struct MainState;

// The parts a job makes for its rows. By default the real components: the
// FFmpeg readers, the RM writer, and writers made from the job's encoder
// settings.
struct JobParts {
    ReaderFactory audioReader;
    VideoFactory video;
    RmWriterFactory rm;
    // A writer for one row, set up from the encoder settings as they are then.
    std::function<std::unique_ptr<AudioWriter>(OutputFormat, const EncoderSettings&)> writer;
    TagWriter tags;     // writeOutputTags when empty
    CoverReader covers; // a source's own picture, kept in its output

    static JobParts real();
};

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

    JobControl(MainState& state, RowModel& rows, CdGrabber& grabber, UserPrompt& prompt,
               Shell& shell, QObject* parent = nullptr);
    ~JobControl() override;

    void setParts(JobParts parts) { m_parts = std::move(parts); }

    // The encoder settings as they are at a moment: asked as each row starts,
    // so that a change made in the settings dialog during a job counts.
    using EncodersNow = std::function<EncoderSettings()>;

    // The ticked rows of the track table, in list order, checked as check says.
    // rowsAtOnce: tracks encoded side by side (the "Jobs" setting), the one read among them.
    void startRip(const JobSettings& settings, EncodersNow encoders,
                  const RipCheckSettings& check = {}, int rowsAtOnce = 1);
    // Every row of the list, in order.
    // rowsAtOnce: files converted side by side (the "Jobs" setting, 1 = one after another).
    void startConversion(const JobSettings& settings, EncodersNow encoders, int rowsAtOnce = 1);
    // Ends the current row at its next block; the job ends through `ended`.
    void stop();
    bool running() const { return m_job != nullptr; }

    // "Finish ✓ 12" (accurate, 12 rips agree), "Finish ✗" (mismatch), "Finish ?"
    // (not compared): a checked row's Status; its tooltip says it in words.
    static QString finishedText(const ArVerdict& verdict);
    // "9 of 10 tracks accurately ripped."
    static QString accurateCountText(const QVector<ArVerdict>& verdicts);

signals:
    // setControlsEnabled: false when a job starts, true when it is over.
    void controlsEnabled(bool enabled);
    // A row is being processed: its tags belong in the tag edits.
    void rowStarted(int row);
    // The job is over, its folder opened and its failures shown.
    void ended();

private:
    void run(std::unique_ptr<Job> job, const QVector<JobRow>& rows);
    WriterFactory writers(EncodersNow encoders) const;
    // Each row's Target as the list shows it when the job reaches the row.
    JobSettings withCurrentTargets(JobSettings settings) const;
    void finish(const QString& folderToOpen);
    QString failureText(const Job& job) const;
    // The rows whose sources were damaged, for the closing message.
    QString damageText(const Job& job) const;
    // The row's Status and its tooltip once its file is made.
    void showFinished(const Job& job, int row);

    MainState& m_state;
    RowModel& m_rows;
    CdGrabber& m_grabber;
    UserPrompt& m_prompt;
    Shell& m_shell;
    JobParts m_parts;
    std::unique_ptr<Job> m_job;
    QVector<JobRow> m_jobRows;
    QVector<ArVerdict> m_verdicts; // of the rip running
};
