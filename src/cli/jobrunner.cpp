#include "cli/jobrunner.h"

#include "cli/console.h"
#include "cli/interruptwatcher.h"
#include "jobs/job.h"
#include "jobs/ripjob.h"
#include "jobs/riplog.h"

#include <map>
#include <QEventLoop>
#include <QFileInfo>

namespace {

QString withGain(const QString& verdict, const QString& gain) {
    return gain.isEmpty() ? verdict : QStringLiteral("%1; %2").arg(verdict, gain);
}

// The row's loudness values and how its format differs from its source's.
QString noteOf(const Job& job, int row) {
    QStringList parts{RipLog::gainText(job.gainOf(row)), job.notesOf(row).conversion};
    parts.removeAll(QString());
    return parts.join(QStringLiteral("; "));
}

} // namespace

JobRunner::JobRunner(Console& console, QStringList sources)
    : m_console(console), m_sources(std::move(sources)) {}

int JobRunner::run(Job& job, int refused) {
    int failed = refused;
    int stopped = 0;
    int started = 0;
    QEventLoop loop;
    InterruptWatcher interrupt;
    QObject::connect(&interrupt, &InterruptWatcher::interrupted, &job, [&] {
        m_console.note(
            QStringLiteral("Interrupted: the unfinished files are removed, no other starts."));
        job.interrupt();
    });
    QObject::connect(&job, &Job::rowStarted, &job, [&](int row) {
        ++started;
        m_console.rowStarted(row, QFileInfo(m_sources.value(row)).fileName());
    });
    QObject::connect(&job, &Job::rowProgress, &job,
                     [&](int row, int hundredths) { m_console.rowProgress(row, hundredths); });
    // A checked rip prints a track's line once the database has spoken of it.
    auto* rip = qobject_cast<RipJob*>(&job);
    const bool verified = rip && rip->verifiesRows();
    std::map<int, QString> unverified; // row -> output
    QObject::connect(&job, &Job::rowFinished, &job, [&](int row, const QString& output) {
        m_console.rowEnded(row);
        if (verified) {
            unverified[row] = output;
        } else {
            ++m_converted;
            m_console.ok(m_sources.value(row), output, noteOf(job, row),
                         job.notesOf(row).damage.shortText());
        }
    });
    if (verified)
        QObject::connect(rip, &RipJob::rowVerified, &job,
                         [&](int row, const TrackVerdict& verdict) {
                             const auto found = unverified.find(row);
                             if (found == unverified.end())
                                 return;
                             const QString output = found->second;
                             unverified.erase(found);
                             if (m_requireAccurate && !verdict.accurate()) {
                                 ++failed;
                                 m_console.failed(m_sources.value(row),
                                                  QStringLiteral("Not accurately ripped (%1): %2")
                                                      .arg(verdict.text(), output));
                                 return;
                             }
                             ++m_converted;
                             m_console.ok(m_sources.value(row), output,
                                          withGain(verdict.text(), noteOf(job, row)));
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
    for (const auto& [row, output] : unverified) {
        ++m_converted;
        m_console.ok(m_sources.value(row), output, noteOf(job, row));
    }
    if (rip && !rip->logPath().isEmpty())
        m_console.note(QStringLiteral("Rip log: %1").arg(rip->logPath()));
    m_console.summary(m_converted, failed, stopped, m_sources.size() - started);
    return m_sources.size() - m_converted;
}
