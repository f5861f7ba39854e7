#include "cli/jobrunner.h"

#include "cli/console.h"
#include "cli/interruptwatcher.h"
#include "jobs/job.h"

#include <QEventLoop>
#include <QFileInfo>

JobRunner::JobRunner(Console& console, QStringList sources)
    : m_console(console), m_sources(std::move(sources)) {}

int JobRunner::run(Job& job, int refused) {
    int failed = refused;
    int stopped = 0;
    int started = 0;
    bool interrupted = false;
    QEventLoop loop;
    InterruptWatcher interrupt;
    QObject::connect(&interrupt, &InterruptWatcher::interrupted, &job, [&] {
        interrupted = true;
        m_console.note(
            QStringLiteral("Stopping: the running files end where they are, no other starts."));
        job.stop();
    });
    QObject::connect(&job, &Job::rowStarted, &job, [&](int row) {
        ++started;
        m_console.rowStarted(row, QFileInfo(m_sources.value(row)).fileName());
    });
    QObject::connect(&job, &Job::rowProgress, &job,
                     [&](int row, int hundredths) { m_console.rowProgress(row, hundredths); });
    QObject::connect(&job, &Job::rowFinished, &job, [&](int row, const QString& output) {
        m_console.rowEnded(row);
        // A conversion cut short by Ctrl-C finishes its file as far as it got.
        if (interrupted) {
            ++stopped;
            m_console.stopped(m_sources.value(row), output);
        } else {
            ++m_converted;
            m_console.ok(m_sources.value(row), output);
        }
    });
    QObject::connect(&job, &Job::rowStopped, &job, [&](int row, const QString& output) {
        m_console.rowEnded(row);
        ++stopped;
        m_console.stopped(m_sources.value(row), output);
    });
    QObject::connect(&job, &Job::rowFailed, &job, [&](int row, const QString& message) {
        m_console.rowEnded(row);
        ++failed;
        m_console.failed(m_sources.value(row), message);
    });
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
    m_console.setTotal(m_sources.size());
    if (!job.start()) {
        m_console.failed(QStringLiteral("output"), QStringLiteral("No output folder was given."));
        return m_sources.size();
    }
    loop.exec();
    m_console.summary(m_converted, failed, stopped, m_sources.size() - started);
    return m_sources.size() - m_converted;
}
