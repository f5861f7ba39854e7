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

// The files of a row of several formats that were written; none for a row of one.
QStringList formatsWritten(const Job& job, int row) {
    const QVector<RowOutput> outputs = job.outputsOf(row);
    QStringList written;
    for (const RowOutput& made : outputs)
        if (outputs.size() > 1 && made.failure.isEmpty() && !made.path.isEmpty())
            written << made.path;
    return written;
}

// The files a row's signal stands for: each format's, else the one it names.
QStringList writtenBy(const Job& job, int row, const QString& named) {
    const QStringList written = formatsWritten(job, row);
    return written.isEmpty() ? QStringList{named} : written;
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
    std::map<int, QStringList> unverified; // row -> outputs
    const auto ok = [&](int row, const QStringList& outputs, const QString& note,
                        const QString& damage = {}) {
        for (const QString& output : outputs)
            m_console.ok(m_sources.value(row), output, note, damage);
    };
    QObject::connect(&job, &Job::rowFinished, &job, [&](int row, const QString& output) {
        m_console.rowEnded(row);
        const QStringList outputs = writtenBy(job, row, output);
        if (verified) {
            unverified[row] = outputs;
        } else {
            ++m_converted;
            ok(row, outputs, noteOf(job, row), job.notesOf(row).damage.shortText());
        }
    });
    if (verified)
        QObject::connect(
            rip, &RipJob::rowVerified, &job, [&](int row, const TrackVerdict& verdict) {
                const auto found = unverified.find(row);
                if (found == unverified.end())
                    return;
                const QStringList outputs = found->second;
                unverified.erase(found);
                if (m_requireAccurate && !verdict.accurate()) {
                    ++failed;
                    for (const QString& output : outputs)
                        m_console.failed(m_sources.value(row),
                                         QStringLiteral("Not accurately ripped (%1): %2")
                                             .arg(verdict.text(), output));
                    return;
                }
                ++m_converted;
                ok(row, outputs, withGain(verdict.text(), noteOf(job, row)));
            });
    QObject::connect(&job, &Job::rowStopped, &job, [&](int row, const QString& output) {
        m_console.rowEnded(row);
        ++stopped;
        for (const QString& written : writtenBy(job, row, output))
            m_console.stopped(m_sources.value(row), written);
    });
    QObject::connect(&job, &Job::rowFailed, &job, [&](int row, const QString& message) {
        m_console.rowEnded(row);
        ++failed;
        // The formats that were made stand; the message names those that were not.
        ok(row, formatsWritten(job, row), noteOf(job, row));
        m_console.failed(m_sources.value(row), message);
    });
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
    m_console.setTotal(m_sources.size());
    if (!job.start()) {
        m_console.failed(QStringLiteral("output"), QStringLiteral("No output folder was given."));
        return m_sources.size();
    }
    loop.exec();
    for (const auto& [row, outputs] : unverified) {
        ++m_converted;
        ok(row, outputs, noteOf(job, row));
    }
    if (rip)
        for (const QString& log : rip->logPaths())
            m_console.note(QStringLiteral("Rip log: %1").arg(log));
    m_console.summary(m_converted, failed, stopped, m_sources.size() - started);
    return m_sources.size() - m_converted;
}
