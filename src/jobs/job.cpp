#include "jobs/job.h"

#include <algorithm>
#include <QThread>

Job::Job(JobSettings settings, QVector<JobRow> rows, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_rows(std::move(rows)) {}

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
