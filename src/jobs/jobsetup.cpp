#include "jobs/jobsetup.h"

#include "components/ffmpeg/videofile.h"
#include "components/output/writerfactory.h"
#include "filelist/fileacceptance.h"
#include "jobs/conversionjob.h"
#include "jobs/ripjob.h"
#include "settings/mainkeys.h"
#include "settings/rmkeys.h"
#include "settings/settingsfile.h"
#include "tags/coverpicture.h"

JobParts JobParts::real() {
    JobParts parts;
    parts.writer = makeWriter;
    parts.audioReader = FileAcceptance::ffmpegAudio();
    parts.video = FileAcceptance::ffmpegVideo();
    parts.rm = [] { return std::make_unique<VideoFile>(); };
    parts.covers = [](const QString& source) { return readCoverPicture(source); };
    return parts;
}

JobRow jobRow(int row, const RowModel::Row& listRow) {
    JobRow job;
    job.row = row;
    job.caption = listRow.caption;
    job.source = listRow.sourcePath;
    job.track = listRow.track == -1 ? row : listRow.track;
    job.format = formatFromText(listRow.target).value_or(FormatMp3);
    job.tag = listRow.tag;
    return job;
}

JobRow jobRow(int row, const DiscTrackRow& track, OutputFormat format) {
    JobRow job;
    job.row = row;
    job.caption = track.caption;
    job.track = track.track;
    job.format = format;
    job.tag = track.tag;
    return job;
}

namespace {

JobParts withRealParts(JobParts parts) {
    JobParts real = JobParts::real();
    if (!parts.writer)
        parts.writer = std::move(real.writer);
    if (!parts.audioReader)
        parts.audioReader = std::move(real.audioReader);
    if (!parts.video)
        parts.video = std::move(real.video);
    if (!parts.rm)
        parts.rm = std::move(real.rm);
    if (!parts.covers)
        parts.covers = std::move(real.covers);
    return parts;
}

} // namespace

std::unique_ptr<Job> setUpJob(JobRequest request, const SettingsFile& settings,
                              DriveSession* drives, JobParts parts) {
    parts = withRealParts(std::move(parts));
    const bool rip = request.function == CdRipper;
    JobSettings job;
    job.outputFolder = request.outputFolder;
    job.scheme = request.scheme;
    job.replayGain = request.replayGain.value_or(GainMode(
        settings.readInRange(rip ? MainKeys::ReplayGainRip : MainKeys::ReplayGainConvert, 0, 2)));
    job.replayGainPeak = request.replayGainPeak.value_or(
        peakKindNamed(settings.read(MainKeys::ReplayGainPeak)).value_or(PeakKind::Sample));
    job.requireComplete = request.requireComplete || settings.read(MainKeys::RequireComplete);
    job.alsoMake = request.alsoMake.value_or(formatsNamed(settings.read(MainKeys::AlsoMake)));
    job.currentFormat = std::move(request.currentFormat);
    // Rows read the file again as they start: the settings file is the one
    // place both the settings dialog and another run change.
    const QString path = settings.path();
    const std::unique_ptr<RmWriter> rm = parts.rm();
    const int codecs = rm ? rm->getRmCodecCount() : 0;
    job.rmCodec = settings.readPosition(RmKeys::Format, codecs);
    job.currentRmCodec = [path, codecs] {
        return SettingsFile(path).readPosition(RmKeys::Format, codecs);
    };
    job.encoders = [path, mp3 = std::move(request.mp3CommandLine)] {
        return EncoderSettings::read(SettingsFile(path), mp3 ? mp3() : QString());
    };
    std::unique_ptr<Job> made;
    if (rip) {
        job.check = RipCheckSettings::from(settings);
        job.check.writeLog = job.check.writeLog && request.ripLog;
        if (!request.ripCueSheet)
            job.check.cueSheet = 0;
        QVector<JobRow>& rows = request.rows;
        if ((request.wholeDisc || job.check.image) && !rows.isEmpty() &&
            (rows.first().format == FormatFlac || rows.first().format == FormatWav))
            rows = {wholeDiscRow(rows.first())};
        made = std::make_unique<RipJob>(std::move(job), std::move(request.rows), drives->ripper(),
                                        drives->namedDisc(), std::move(parts));
    } else {
        made = std::make_unique<ConversionJob>(std::move(job), std::move(request.rows),
                                               std::move(parts));
    }
    made->setMaxRunningRows(request.jobs ? conversionRowsAtOnce(*request.jobs)
                                         : conversionRowsAtOnce(settings));
    return made;
}
