#pragma once

#include "jobs/jobrow.h"
#include "jobs/outputnaming.h"
#include "jobs/rowcopy.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>
#include <set>

// A rip or a conversion: rows in list order, each into one output file, the
// work done off the thread the job lives on. Every signal comes on the job's
// thread, never from within start() or stop().
class Job : public QObject {
    Q_OBJECT
public:
    struct Failure {
        int row = -1;
        QString message;
    };

    Job(JobSettings settings, QVector<JobRow> rows, QObject* parent = nullptr);

    // Starts the first row; false (and nothing happens) when the job ran
    // before or no output folder was given.
    bool start();
    // Ends the current row at its next block and starts no further row.
    virtual void stop() = 0;
    // Ends as stop() does, but a row cut short leaves nothing: the program is
    // told to end (a logout, a shutdown, Ctrl-C), which is not the user's Stop.
    virtual void interrupt() = 0;

    bool isRunning() const { return m_running; }
    // Rows processed side by side; 0 means one per core. Takes effect before start().
    void setMaxRunningRows(int rows);
    int maxRunningRows() const { return m_maxRunning; }
    const JobSettings& settings() const { return m_settings; }
    const QVector<JobRow>& rows() const { return m_rows; }
    // The rows that failed, in order, with their reasons.
    const QVector<Failure>& failures() const { return m_failures; }
    // The files a row that ended made, or was to make: its own format's
    // first. A row fails when any of them does; the others stay.
    QVector<RowOutput> outputsOf(int row) const { return m_outputs.value(row); }
    // The ReplayGain values a finished row's file carries; none when not measured.
    ReplayGainValues gainOf(int row) const { return m_gains.value(row); }
    // What a finished row's file is beside its sound; nothing to say when empty.
    RowNotes notesOf(int row) const { return m_notes.value(row); }

signals:
    void rowStarted(int row);
    // hundredths of a per cent, the text the row's Status shows and, when
    // that text is short for a phase, the phase at length for its tooltip
    void rowProgress(int row, int hundredths, const QString& text, const QString& detail = {});
    // The row's file is written (after Stop: as far as it got) and has its tags.
    void rowFinished(int row, const QString& outputPath);
    // A rip cut short by Stop: the partial file has its tags, and the row's
    // Status keeps its last progress text. A row cut short by interrupt()
    // comes here in either job, with outputPath empty: its file was removed.
    void rowStopped(int row, const QString& outputPath);
    // The row's unfinished output is removed; with its tags refused, the file stays.
    void rowFailed(int row, const QString& message);
    // The job is over; folderToOpen is the folder to show the user, or empty.
    void finished(const QString& folderToOpen);

protected:
    virtual void begin() = 0;
    // The row as the job reaches it: its Target as the list shows it now.
    JobRow current(const JobRow& row) const;
    int rmCodec() const;
    // The encoder settings as the row starts.
    EncoderSettings encoders() const;
    // The formats a row makes: its own, then those the job also makes.
    QVector<OutputFormat> formatsOf(const JobRow& row) const;
    // Where a format's files go: the output folder, or its sub-folder named
    // after the format when the job makes more than one.
    QString outputFolderOf(OutputFormat format) const;
    // Whether some row makes more than one format, each in its own sub-folder.
    bool makesSeveralFormats() const { return m_severalFormats; }
    // The files the row makes, one per format (formatsOf), each named in its
    // folder (outputFolderOf and the scheme's sub-folders) with its part file
    // reserved, and its sink. One that cannot be made goes with its reason;
    // when none can, raises JobError with the first's and leaves nothing.
    std::vector<RowCopy::Output>
    reserveOutputs(const JobRow& row, const OutputNameSource& name, const FileIds& inputs,
                   const std::function<std::unique_ptr<PcmSink>(OutputFormat)>& makeSink) const;
    // Before the row's rowFinished, rowStopped or rowFailed.
    void setOutputs(int row, const QVector<RowOutput>& outputs) { m_outputs.insert(row, outputs); }
    void fail(int row, const QString& message);
    // Before its rowFinished: what the row's file carries.
    void setGain(int row, const ReplayGainValues& gain) { m_gains.insert(row, gain); }
    void setNotes(int row, const RowNotes& notes) { m_notes.insert(row, notes); }
    void end(const QString& folderToOpen);
    // The row did not finish (it failed, was stopped or never started): its
    // album gets no album gain, which would be measured over part of it.
    void albumUnfinished(const JobRow& row) { m_unfinishedAlbums.insert(row.tag.album); }
    // Those of rows[from...], which never started.
    void albumsUnfinishedFrom(int from);

    const JobSettings m_settings;
    const QVector<JobRow> m_rows;

    int m_maxRunning = 1;
    std::set<QString> m_unfinishedAlbums; // by album tag

private:
    bool m_started = false;
    bool m_running = false;
    QVector<Failure> m_failures;
    QMap<int, ReplayGainValues> m_gains;
    QMap<int, RowNotes> m_notes;
    QMap<int, QVector<RowOutput>> m_outputs;
    bool m_severalFormats = false;
};
