#include "jobs/rowcopy.h"

#include "jobs/outputnaming.h"

RowCopy::RowCopy(JobRow row, std::unique_ptr<PcmSource> source, std::unique_ptr<PcmSink> sink,
                 QString path, TagWriter tags, const std::atomic<bool>& stop)
    : m_row(std::move(row)), m_source(std::move(source)), m_sink(std::move(sink)),
      m_path(std::move(path)), m_tags(std::move(tags)), m_stop(stop) {}

RowCopy::~RowCopy() {
    wait();
    if (!m_named)
        DiscardOutputFile(m_path);
}

void RowCopy::wait() {
    if (m_thread.joinable())
        m_thread.join();
}

void RowCopy::start(Progress progress, Done done) {
    m_thread = std::thread([this, progress = std::move(progress), done = std::move(done)] {
        run(progress);
        done();
    });
}

void RowCopy::run(const Progress& progress) {
    const QString part = PartFileOf(m_path);
    const CopyOutcome copied = copyPcm(*m_source, *m_sink, part, m_stop, progress);
    m_result.stopped = copied.stopped;
    if (!copied.ok) {
        m_result = {false, false, m_path, copied.message};
        return;
    }
    try {
        if (m_sink->takesTags() && m_tags)
            m_tags(part, m_row.tag);
    } catch (const std::exception& e) {
        // A file without the tags it was asked for is not what the user wanted.
        m_result = {false, false, m_path,
                    QStringLiteral("The file was written, but its tags were not: %1")
                        .arg(QString::fromUtf8(e.what()))};
        return;
    }
    try {
        m_path = CommitOutputFile(m_path);
        m_named = true;
        m_result.path = m_path;
    } catch (const std::exception& e) {
        m_result = {false, false, m_path, QString::fromUtf8(e.what())};
    }
}
