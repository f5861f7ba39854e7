#include "jobs/job.h"

#include "jobs/joberror.h"

#include <algorithm>
#include <QThread>

Job::Job(JobSettings settings, QVector<JobRow> rows, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_rows(std::move(rows)) {
    for (const JobRow& row : m_rows)
        m_severalFormats = m_severalFormats || formatsOf(row).size() > 1;
}

QVector<OutputFormat> Job::formatsOf(const JobRow& row) const {
    QVector<OutputFormat> formats{row.format};
    for (OutputFormat format : m_settings.alsoMake)
        if (!formats.contains(format))
            formats << format;
    return formats;
}

QString Job::outputFolderOf(OutputFormat format) const {
    if (!m_severalFormats)
        return m_settings.outputFolder;
    QString folder = m_settings.outputFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + formatName(format);
}

bool Job::start() {
    if (m_started || m_settings.outputFolder.trimmed().isEmpty())
        return false;
    m_started = true;
    m_running = true;
    // The first signal comes from the event loop, after the caller has wired the job up.
    QMetaObject::invokeMethod(this, &Job::begin, Qt::QueuedConnection);
    return true;
}

void Job::fail(int row, const QString& message) {
    m_failures.push_back({row, message});
    emit rowFailed(row, message);
}

void Job::end(const QString& folderToOpen) {
    if (!m_running)
        return;
    m_running = false;
    emit finished(folderToOpen);
}

void Job::albumsUnfinishedFrom(int from) {
    for (int i = from; i < m_rows.size(); ++i)
        albumUnfinished(m_rows[i]);
}

void Job::setMaxRunningRows(int rows) {
    m_maxRunning = rows > 0 ? rows : std::max(QThread::idealThreadCount(), 1);
}

JobRow Job::current(const JobRow& row) const {
    JobRow now = row;
    if (m_settings.currentFormat)
        now.format = m_settings.currentFormat(row);
    return now;
}

int Job::rmCodec() const {
    return m_settings.currentRmCodec ? m_settings.currentRmCodec() : m_settings.rmCodec;
}

EncoderSettings Job::encoders() const {
    return m_settings.encoders ? m_settings.encoders() : EncoderSettings{};
}

std::vector<RowCopy::Output>
Job::reserveOutputs(const JobRow& row, const OutputNameSource& name, const FileIds& inputs,
                    const std::function<std::unique_ptr<PcmSink>(OutputFormat)>& makeSink) const {
    std::vector<RowCopy::Output> outputs;
    QString firstFailure;
    for (OutputFormat format : formatsOf(row)) {
        RowCopy::Output output{format, {}, nullptr, row.disc};
        try {
            const OutputPath reserved = buildOutputPath(outputFolderOf(format), m_settings.scheme,
                                                        row.tag, name, format, inputs);
            output.path = reserved.path;
            output.folder = reserved.handle;
            output.sink = makeSink(format);
        } catch (const std::exception& e) {
            discardOutputFile(output.path);
            output.path.clear();
            output.failure = QString::fromUtf8(e.what());
            if (firstFailure.isEmpty())
                firstFailure = output.failure;
        }
        outputs.push_back(std::move(output));
    }
    const bool none = std::none_of(outputs.begin(), outputs.end(),
                                   [](const RowCopy::Output& output) { return bool(output.sink); });
    if (none)
        throw JobError(firstFailure);
    return outputs;
}
