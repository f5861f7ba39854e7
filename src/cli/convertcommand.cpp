#include "cli/convertcommand.h"

#include "cli/clioptions.h"
#include "cli/console.h"
#include "cli/jobrunner.h"
#include "cli/runsettings.h"
#include "filelist/fileacceptance.h"
#include "filelist/folderentries.h"

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
            rows << jobRow(rows.size(), RowModel::rowOf(values));
            sources << file;
        }
    }
    if (options.list)
        return refused > 0 ? 1 : 0;

    JobRequest request = run.request;
    request.rows = rows;
    const std::unique_ptr<Job> job = setUpJob(std::move(request), settings, nullptr);
    JobRunner runner(console, sources);
    const int notConverted = runner.run(*job, refused);
    return notConverted + refused > 0 ? 1 : 0;
}
