#pragma once

#include "jobs/job.h"

#include <atomic>
#include <memory>

class QThread;

// The parts a conversion is made of; every row gets new ones.
struct ConversionComponents {
    WriterFactory writer;
    ReaderFactory audioReader;
    VideoFactory video; // the reader of a video's sound and the RM writer
    TagWriter tags;     // WriteRowTags when not given
};

// Converts every row's source file into its target format, one row after the
// other: audio files through the audio reader, video files through the
// video reader, into a writer of the row's format or the RM writer, one
// second of sound per block. After a row other than RM its tags are written.
class ConversionJob : public Job {
    Q_OBJECT
public:
    ConversionJob(JobSettings settings, QVector<JobRow> rows, ConversionComponents components,
                  QObject* parent = nullptr);
    // Stops a row still running and waits for it.
    ~ConversionJob() override;

    void stop() override;

private:
    struct Work;
    struct Outcome {
        bool ok = true;
        bool keepFile = true;
        QString message;
    };

    void begin() override;
    void nextRow();
    void rowDone(const Outcome& outcome);
    // On the worker: the whole row, from opening the source to the tags.
    Outcome convert(Work& work);
    void copy(Work& work);
    void postProgress(int row, int hundredths);

    ConversionComponents m_components;
    int m_next = 0;
    std::atomic<bool> m_stop{false};
    std::unique_ptr<Work> m_work;
    QThread* m_worker = nullptr;
    QString m_lastRowFolder; // folder of the list's last row once it is processed
};
