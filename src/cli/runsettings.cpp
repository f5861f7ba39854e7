#include "cli/runsettings.h"

#include "cli/clioptions.h"
#include "settings/mainoptions.h"
#include "settings/settingsfile.h"

#include <QFileInfo>

RunSettings RunSettings::from(const CliOptions& options, const SettingsFile& settings) {
    const MainOptions main = MainOptions::load(settings);
    RunSettings run;
    run.format = options.format.value_or(main.format);
    JobRequest& request = run.request;
    request.function = options.cd ? CdRipper : Converter;
    QString folder = options.outputFolder.isEmpty() ? main.outputPath : options.outputFolder;
    // A relative folder counts from where the command runs; "~" stays for the naming to expand.
    if (!folder.startsWith(QLatin1Char('~')) && !folder.trimmed().isEmpty())
        folder = QFileInfo(folder).absoluteFilePath();
    request.outputFolder = folder;
    request.scheme = options.scheme.value_or(main.folderScheme);
    if (options.replayGain)
        request.replayGain = GainMode(*options.replayGain);
    request.jobs = options.jobs;
    request.ripLog = !options.noLog;
    request.ripCueSheet = !options.noCue;
    request.wholeDisc = options.image;
    request.replayGainPeak = options.replayGainPeak;
    request.requireComplete = options.requireComplete;
    // -f names every format of the run; without it, the window's Also make counts.
    request.alsoMake = options.alsoMake;
    return run;
}
