#include "cli/mirrorcommand.h"

#include "cli/clioptions.h"
#include "cli/console.h"
#include "cli/interruptwatcher.h"
#include "cli/runsettings.h"
#include "mirror/mirrorerror.h"
#include "mirror/mirrorrun.h"
#include "settings/encodersettings.h"
#include "settings/settingsfile.h"

#include <QEventLoop>
#include <QLocale>

namespace {

QString number(int n) {
    return QLocale(QLocale::English).toString(n);
}

QString timeText(qint64 seconds) {
    return seconds >= 3600 ? QStringLiteral("%1:%2:%3")
                                 .arg(seconds / 3600)
                                 .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                           : QStringLiteral("%1:%2")
                                 .arg(seconds / 60)
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// "120 of 10,000 files, 9,688 up to date, 0 failed, 2:13 left"; the total
// grows while the folders are still being read.
QString statusText(const MirrorRun& run) {
    const MirrorRun::Counts& c = run.counts();
    QString text =
        QStringLiteral("%1 of %2%3 files, %4 up to date, %5 failed")
            .arg(number(c.done()), number(c.found), c.walking ? QStringLiteral("+") : QString(),
                 number(c.upToDate), number(c.failed));
    if (const std::optional<qint64> left = run.secondsLeft())
        text += QStringLiteral(", %1 left").arg(timeText(*left));
    return text;
}

QString mirrorSummary(const MirrorRun::Counts& c) {
    QString text =
        QStringLiteral("%1 files: %2 converted, ").arg(number(c.found), number(c.converted));
    if (c.copied > 0)
        text += QStringLiteral("%1 copied, ").arg(number(c.copied));
    return text + QStringLiteral("%1 up to date, %2 failed, %3 deleted")
                      .arg(number(c.upToDate), number(c.failed), number(c.deleted));
}

} // namespace

int mirrorFolders(const CliOptions& options, const SettingsFile& settings, Console& console) {
    const RunSettings run = RunSettings::from(options, settings);
    // The job set up as a conversion of the run would be: each file's job is made from it.
    const std::unique_ptr<Job> model = setUpJob(run.request, settings, nullptr);

    MirrorRequest request;
    request.sources = options.inputs;
    request.destination = run.request.outputFolder;
    request.choices.format = run.format;
    request.choices.copyLossy = options.copyLossy;
    if (options.copyExtra)
        request.choices.copyExtra = extensionList(*options.copyExtra);
    request.force = options.force;
    request.deleteGone = options.deleteGone;
    request.jobs = model->maxRunningRows();
    request.job = model->settings();
    // Album values need the whole album in one job; each file is a job of its own here.
    if (request.job.replayGain == GainMode::Album)
        request.job.replayGain = GainMode::Track;
    // One reading of the encoder settings serves every file and the state alike.
    const EncoderSettings encoders = EncoderSettings::read(settings);
    request.job.encoders = [encoders] { return encoders; };
    request.parts = JobParts::real();
    request.settings = conversionSettingsText(run.format, encoders, request.job.replayGain,
                                              request.job.replayGainPeak);

    MirrorRun mirror(request);
    bool unread = false;
    QObject::connect(&mirror, &MirrorRun::note, &mirror,
                     [&](const QString& text) { console.note(text); });
    QObject::connect(&mirror, &MirrorRun::problem, &mirror,
                     [&](const QString& path, const QString& reason, bool leftOut) {
                         if (leftOut) {
                             unread = true;
                             console.failed(path, reason);
                         } else {
                             console.note(QStringLiteral("Skipped %1: %2").arg(path, reason));
                         }
                     });
    QObject::connect(&mirror, &MirrorRun::fileDone, &mirror,
                     [&](MirrorRun::Outcome outcome, const QString& source, const QString& output,
                         const QString& message) {
                         if (outcome == MirrorRun::Outcome::Failed)
                             console.failed(source, message);
                         else if (outcome == MirrorRun::Outcome::Deleted && !options.quiet)
                             console.result(QStringLiteral("DELETED %1").arg(output));
                         else if (outcome != MirrorRun::Outcome::Deleted)
                             console.ok(source, output);
                     });
    QObject::connect(&mirror, &MirrorRun::progress, &mirror,
                     [&] { console.setStatus(statusText(mirror)); });
    QEventLoop loop;
    QObject::connect(&mirror, &MirrorRun::finished, &loop, &QEventLoop::quit);
    InterruptWatcher interrupt;
    QObject::connect(&interrupt, &InterruptWatcher::interrupted, &mirror, [&] {
        console.note(
            QStringLiteral("Interrupted: the unfinished files are removed, no other starts."));
        mirror.interrupt();
    });
    try {
        mirror.start();
    } catch (const MirrorError& e) {
        console.failed(options.inputs.join(QLatin1Char(' ')), e.message());
        return 1;
    }
    loop.exec();
    console.setStatus({});
    console.note(mirrorSummary(mirror.counts()));
    return mirror.counts().failed > 0 || unread ? 1 : 0;
}
