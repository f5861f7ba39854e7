#include "cli/convertcommand.h"

#include "cli/clioptions.h"
#include "cli/console.h"
#include "cli/jobrunner.h"
#include "cli/runsettings.h"
#include "filelist/fileacceptance.h"
#include "filelist/folderentries.h"
#include "jobs/conversionjob.h"
#include "jobs/outputnaming.h"
#include "settings/mainkeys.h"

#include <QFileInfo>

namespace {

// The window asks whether to fetch a decoder; here the answer is the reason.
QString refusalReason(const FileAcceptance::Outcome& outcome) {
    QString text;
    switch (outcome.refusal) {
    case FileAcceptance::Refusal::Audio:
        text = QStringLiteral("This Audio file is not supported!");
        break;
    case FileAcceptance::Refusal::Wma:
        text = QStringLiteral("No decoder for this WMA file's sound is installed.");
        break;
    case FileAcceptance::Refusal::Video:
        text = QStringLiteral("No decoder for this video file's sound is installed.");
        break;
    case FileAcceptance::Refusal::None:
        break;
    }
    if (!outcome.reason.isEmpty())
        text += QStringLiteral(" (%1)").arg(outcome.reason);
    return text;
}

} // namespace

int convertFiles(const CliOptions& options, const SettingsFile& settings, Console& console) {
    const RunSettings run = RunSettings::from(options, settings);
    const QString target = formatText(run.format);

    int refused = 0;
    QVector<JobRow> rows;
    QStringList sources;
    FileAcceptance acceptance;
    for (const QString& input : options.inputs) {
        const QFileInfo info(input);
        if (!info.exists()) {
            console.failed(input, QStringLiteral("There is no such file or folder."));
            ++refused;
            continue;
        }
        const QStringList files =
            info.isDir() ? folderEntries(input, options.recursive) : QStringList{input};
        for (const QString& file : files) {
            const FileAcceptance::Outcome outcome = acceptance.test(file, target);
            if (!outcome.accepted()) {
                console.failed(file, refusalReason(outcome));
                ++refused;
                continue;
            }
            const RowValues& values = outcome.row;
            if (options.list) {
                console.result(QStringList{file, values.time, values.tag.title, values.tag.artist,
                                           values.tag.album}
                                   .join(QLatin1Char('\t')));
                continue;
            }
            JobRow row;
            row.row = rows.size();
            row.caption = values.caption;
            row.source = values.path;
            row.format = run.format;
            row.tag = values.tag;
            rows << row;
            sources << file;
        }
    }
    if (options.list)
        return refused > 0 ? 1 : 0;

    ConversionJob job(run.job, rows, run.conversionComponents());
    job.setMaxRunningRows(options.jobs ? conversionRowsAtOnce(*options.jobs)
                                       : conversionRowsAtOnce(settings));
    JobRunner runner(console, sources);
    const int notConverted = runner.run(job, refused);
    return notConverted + refused > 0 ? 1 : 0;
}
