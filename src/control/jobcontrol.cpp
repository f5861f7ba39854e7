#include "control/jobcontrol.h"

#include "cd/drivesession.h"
#include "control/mainstate.h"
#include "filelist/rowmodel.h"
#include "jobs/ripjob.h"
#include "platform/shell.h"
#include "platform/userprompt.h"

#include <algorithm>

JobControl::JobControl(MainState& state, RowModel& rows, DriveSession& drives, UserPrompt& prompt,
                       Shell& shell, QObject* parent)
    : QObject(parent), m_state(state), m_rows(rows), m_drives(drives), m_prompt(prompt),
      m_shell(shell) {}

// A job still running is cut short here; it waits for its worker and lets go
// of the ripper before the ripper goes. The watcher may be gone by then.
JobControl::~JobControl() {
    m_watcher = nullptr;
}

void JobControl::start(JobRequest request, const SettingsFile& settings) {
    if (m_job)
        return;
    const bool rip = request.function == CdRipper;
    for (int i = 0; i < m_rows.count(); ++i)
        if (!rip || m_rows.isTicked(i))
            request.rows << jobRow(i, m_rows.row(i));
    const RowModel* rows = &m_rows;
    request.currentFormat = [rows](const JobRow& row) {
        // A row gone from the list meanwhile keeps the Target it had at Start.
        if (row.row < 0 || row.row >= rows->count())
            return row.format;
        return formatFromText(rows->row(row.row).target).value_or(FormatMp3);
    };
    const QVector<JobRow> jobRows = request.rows;
    std::unique_ptr<Job> job = setUpJob(std::move(request), settings, &m_drives, m_parts);
    m_verdicts.clear();
    if (auto* ripJob = qobject_cast<RipJob*>(job.get())) {
        // The verdict goes beside "Finish", so the row says at once whether it is proven.
        connect(ripJob, &RipJob::rowVerified, this, [this](int row, const TrackVerdict& verdict) {
            m_verdicts << verdict;
            QStringList said;
            if (verdict.accurateRip.status != ArVerdict::Unknown)
                said << QStringLiteral("AccurateRip: %1").arg(verdict.accurateRip.text());
            if (verdict.ctdb.status != CtdbVerdict::Unknown)
                said << verdict.ctdb.text();
            const QString conversion = m_job ? m_job->notesOf(row).conversion : QString();
            if (!conversion.isEmpty())
                said << conversion;
            m_rows.setStatus(row, finishedText(verdict), said.join(QLatin1Char('\n')),
                             finishedWords(verdict));
        });
    }
    run(std::move(job), jobRows, rip ? JobOutcome::Kind::Rip : JobOutcome::Kind::Conversion);
}

// Short enough for the Status column: a tick and how many rips agree, a
// cross for a mismatch, a question mark where nothing could be compared.
QString JobControl::finishedText(const TrackVerdict& verdict) {
    const QString finished = QLatin1String(Finished);
    if (verdict.accurate())
        return QStringLiteral("%1 \u2713 %2").arg(finished).arg(verdict.confidence());
    if (verdict.accurateRip.status == ArVerdict::Mismatch ||
        verdict.ctdb.status == CtdbVerdict::Mismatch)
        return QStringLiteral("%1 \u2717").arg(finished);
    return QStringLiteral("%1 ?").arg(finished);
}

QString JobControl::finishedWords(const TrackVerdict& verdict) {
    const QString finished = QLatin1String(Finished);
    if (verdict.accurate())
        return tr("%1, accurate, %2 agree").arg(finished).arg(verdict.confidence());
    if (verdict.accurateRip.status == ArVerdict::Mismatch ||
        verdict.ctdb.status == CtdbVerdict::Mismatch)
        return tr("%1, not accurate").arg(finished);
    return tr("%1, not verified").arg(finished);
}

QString JobControl::accurateCountText(const QVector<TrackVerdict>& verdicts) {
    const bool ctdbAsked = std::any_of(verdicts.begin(), verdicts.end(), [](const TrackVerdict& v) {
        return v.ctdb.status != CtdbVerdict::Unknown;
    });
    if (ctdbAsked)
        return accurateTracksText(verdicts) + QLatin1Char('.');
    const auto accurate = std::count_if(verdicts.begin(), verdicts.end(),
                                        [](const TrackVerdict& v) { return v.accurate(); });
    return QStringLiteral("%1 of %2 tracks accurately ripped.").arg(accurate).arg(verdicts.size());
}

void JobControl::run(std::unique_ptr<Job> job, const QVector<JobRow>& rows, JobOutcome::Kind kind) {
    if (m_job)
        return;
    Job* j = job.get();
    connect(j, &Job::rowStarted, this, &JobControl::rowStarted);
    connect(j, &Job::rowProgress, this,
            [this](int row, int hundredths, const QString& text, const QString& detail) {
                m_rows.setStatus(row, text, detail);
                m_progress.rowProgress(row, hundredths);
                if (m_watcher)
                    m_watcher->jobProgressed(m_progress.fraction(), m_progress.rowsLeft());
            });
    connect(j, &Job::rowFinished, this, [this, j](int row) {
        showFinished(*j, row);
        ++m_outcome.finished;
        rowDone(row);
    });
    // A rip cut short keeps its last progress text.
    connect(j, &Job::rowStopped, this, &JobControl::rowDone);
    connect(j, &Job::rowFailed, this, [this](int row) {
        m_rows.setStatus(row, QLatin1String(Failed));
        rowDone(row);
    });
    connect(j, &Job::finished, this, &JobControl::finish);
    m_jobRows = rows;
    m_state.jobRunning = true;
    emit controlsEnabled(false);
    m_job = std::move(job);
    if (!m_job->start()) {
        m_job.reset();
        m_state.jobRunning = false;
        emit controlsEnabled(true);
        return;
    }
    m_outcome = JobOutcome{};
    m_outcome.kind = kind;
    m_outcome.rows = rows.size();
    m_progress = JobProgress(rows.size());
    if (m_watcher)
        m_watcher->jobStarted(kind, rows.size());
}

void JobControl::rowDone(int row) {
    m_progress.rowDone(row);
    if (m_watcher)
        m_watcher->jobProgressed(m_progress.fraction(), m_progress.rowsLeft());
}

void JobControl::showFinished(const Job& job, int row) {
    const RowNotes notes = job.notesOf(row);
    QStringList detail;
    if (notes.damage.isDamaged())
        detail << notes.damage.text();
    if (!notes.conversion.isEmpty())
        detail << notes.conversion;
    m_rows.setStatus(row, QLatin1String(notes.damage.isDamaged() ? FinishedDamaged : Finished),
                     detail.join(QLatin1Char('\n')));
}

void JobControl::stop() {
    if (!m_job)
        return;
    m_outcome.stopped = true;
    m_job->stop();
}

void JobControl::interrupt() {
    if (m_job)
        m_job->interrupt();
}

void JobControl::finish(const QString& folderToOpen) {
    m_outcome.failed = m_job->failures().size();
    m_outcome.folder = folderToOpen;
    m_outcome.verified = !m_verdicts.isEmpty();
    m_outcome.accurate =
        int(std::count_if(m_verdicts.begin(), m_verdicts.end(),
                          [](const TrackVerdict& verdict) { return verdict.accurate(); }));
    QString failures = failureText(*m_job);
    const QString damaged = damageText(*m_job);
    if (!damaged.isEmpty())
        failures = failures.isEmpty() ? damaged : failures + QStringLiteral("\n\n") + damaged;
    // A checked rip says how many of its tracks are proven, with the failures.
    if (!m_verdicts.isEmpty()) {
        const QString count = accurateCountText(m_verdicts);
        failures = failures.isEmpty() ? count : count + QStringLiteral("\n\n") + failures;
        m_verdicts.clear();
    }
    // The job is deleted once its signal has returned.
    m_job.release()->deleteLater();
    emit controlsEnabled(true);
    m_state.jobRunning = false;
    // Before the closing message, which waits for the user: the machine may
    // sleep again and the task bar clears as soon as the work is done.
    if (m_watcher)
        m_watcher->jobEnded(m_outcome);
    // No row processed (none ticked): there is no folder to show.
    if (!folderToOpen.isEmpty())
        m_shell.openFolder(folderToOpen);
    if (!failures.isEmpty())
        m_prompt.information(failures);
    emit ended();
}

QString JobControl::damageText(const Job& job) const {
    QStringList lines;
    for (const JobRow& row : m_jobRows) {
        const SourceDamage damage = job.notesOf(row.row).damage;
        if (damage.isDamaged())
            lines << QStringLiteral("%1: %2").arg(row.caption, damage.text());
    }
    if (lines.isEmpty())
        return {};
    lines.prepend(QString());
    lines.prepend(tr("These sources are damaged; their files hold what could be read:"));
    return lines.join(QLatin1Char('\n'));
}

QString JobControl::failureText(const Job& job) const {
    if (job.failures().isEmpty())
        return {};
    QStringList lines{QLatin1String(FailuresHeading), QString()};
    for (const Job::Failure& failure : job.failures()) {
        QString caption;
        for (const JobRow& row : m_jobRows)
            if (row.row == failure.row)
                caption = row.caption;
        lines << QStringLiteral("%1: %2").arg(caption, failure.message);
    }
    return lines.join(QLatin1Char('\n'));
}
