#include "cli/runsettings.h"

#include "cli/clioptions.h"
#include "components/ivideofile.h"
#include "components/output/writerfactory.h"
#include "filelist/fileacceptance.h"
#include "jobs/outputnaming.h"
#include "settings/mainoptions.h"

#include <QFileInfo>

QString FormatTarget(OutputFormat format) {
    return OutputExtension(format).mid(1).toUpper();
}

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
    const int codecs = FileAcceptance::ffmpegVideo()()->GetRmCodecCount();
    if (codec < 0 || codec >= codecs)
        codec = 0; // as the settings dialog shows a position beyond the list
    run.job.rmCodec = codec;
    return run;
}

ConversionComponents RunSettings::conversionComponents() const {
    const EncoderSettings snapshot = encoders;
    return {[snapshot](OutputFormat wanted) { return makeWriter(wanted, snapshot); },
            FileAcceptance::ffmpegAudio(),
            FileAcceptance::ffmpegVideo(),
            {}};
}

RipComponents RunSettings::ripComponents() const {
    const EncoderSettings snapshot = encoders;
    RipComponents components;
    components.writer = [snapshot](OutputFormat wanted) { return makeWriter(wanted, snapshot); };
    components.rm = FileAcceptance::ffmpegVideo();
    return components;
}
