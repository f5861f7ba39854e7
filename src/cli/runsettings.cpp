#include "cli/runsettings.h"

#include "cli/clioptions.h"
#include "components/audiowriter.h"
#include "components/videoreader.h"
#include "control/jobcontrol.h"
#include "filelist/fileacceptance.h"
#include "jobs/outputnaming.h"
#include "settings/mainkeys.h"
#include "settings/mainoptions.h"
#include "settings/settingsfile.h"

#include <QFileInfo>

RunSettings RunSettings::from(const CliOptions& options, const SettingsFile& settings) {
    const MainOptions main = MainOptions::load(settings);
    RunSettings run;
    run.format = options.format.value_or(main.format);
    run.encoders = EncoderSettings::read(settings);
    QString folder = options.outputFolder.isEmpty() ? main.outputPath : options.outputFolder;
    // A relative folder counts from where the command runs; "~" stays for the naming to expand.
    if (!folder.startsWith(QLatin1Char('~')) && !folder.trimmed().isEmpty())
        folder = QFileInfo(folder).absoluteFilePath();
    run.job.outputFolder = folder;
    run.job.scheme = options.scheme.value_or(main.folderScheme);
    int codec = run.encoders.rmFormat;
    const int codecs = JobParts::real().rm()->getRmCodecCount();
    if (codec < 0 || codec >= codecs)
        codec = 0; // as the settings dialog shows a position beyond the list
    run.job.rmCodec = codec;
    const int gain = options.replayGain.value_or(settings.readInRange(
        options.cd ? MainKeys::ReplayGainRip : MainKeys::ReplayGainConvert, 0, 2));
    run.job.replayGain = GainMode(gain);
    run.job.replayGainPeak = options.replayGainPeak.value_or(
        peakKindNamed(settings.read(MainKeys::ReplayGainPeak)).value_or(PeakKind::Sample));
    run.job.requireComplete = options.requireComplete || settings.read(MainKeys::RequireComplete);
    return run;
}

// The same parts as the window's jobs, with the settings of this run.
ConversionComponents RunSettings::conversionComponents() const {
    const JobParts parts = JobParts::real();
    const EncoderSettings snapshot = encoders;
    return {[parts, snapshot](OutputFormat wanted) { return parts.writer(wanted, snapshot); },
            parts.audioReader,
            parts.video,
            parts.rm,
            parts.tags,
            parts.covers};
}

RipComponents RunSettings::ripComponents() const {
    const ConversionComponents parts = conversionComponents();
    RipComponents components;
    components.writer = parts.writer;
    components.rm = parts.rm;
    return components;
}
