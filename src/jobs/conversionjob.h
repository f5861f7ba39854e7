#pragma once

#include "jobs/job.h"
#include "jobs/outputnaming.h"
#include "jobs/rowcopy.h"

#include <atomic>
#include <memory>
#include <vector>

// The parts a conversion is made of; every row gets new ones.
// Converts every row's source file into its target format, up to
// maxRunningRows() rows at once, started in list order: audio files through
// the audio reader, video files through the video reader, into a writer of
// the row's format or the RM writer. After a row other than RM its tags are
// written. A row is written to a part file and gets its own name only once
// complete (after Stop too, with what it has); a row that fails, its tags
// included, leaves nothing.
class ConversionJob : public Job {
    Q_OBJECT
public:
    ConversionJob(JobSettings settings, QVector<JobRow> rows, JobParts parts,
                  QObject* parent = nullptr);
    // Stops the rows still running and waits for them.
    ~ConversionJob() override;

    // Ends every running row at its next block and starts no other.
    void stop() override;
    void interrupt() override;

private:
    void begin() override;
    // Starts rows until as many run as allowed; ends the job when none is left.
    void startRows();
    void startRow(const JobRow& row);
    void rowDone(RowCopy* copy);
    // The held rows have their album values and names: each row ends.
    void albumDone();
    void finishRow(const RowCopy& copy);

    JobParts m_parts;
    int m_next = 0;
    std::atomic<bool> m_stop{false};
    std::vector<std::unique_ptr<RowCopy>> m_running;
    std::vector<std::unique_ptr<RowCopy>> m_held; // waiting for their album values
    AlbumCompletion m_album;
    QString m_lastRowFolder; // folder of the list's last row once it is processed
    FileIds m_inputs;        // the sources, which no sweep of part files may take
};
