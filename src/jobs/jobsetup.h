#pragma once

#include "filelist/rowmodel.h"
#include "jobs/job.h"
#include "jobs/jobrow.h"

#include <functional>
#include <memory>
#include <optional>
#include <QVector>

class DriveSession;
struct DiscTrackRow;
class SettingsFile;

// A row of the list as a job takes it, in the format its Target names (MP3
// when it names none); a CD row that names no track holds the one of its place.
JobRow jobRow(int row, const RowModel::Row& listRow);
// A track of the disc as a rip of it in format takes it.
JobRow jobRow(int row, const DiscTrackRow& track, OutputFormat format);

// A rip or a conversion as the window asks for it from its controls and its
// list, and the command line from its options. What is left unset comes from
// the settings file.
struct JobRequest {
    FunctionMode function = Converter; // CdRipper: a rip of the drive session's disc
    QVector<JobRow> rows;
    QString outputFolder;
    FolderScheme scheme = FolderScheme::None;
    std::optional<GainMode> replayGain = {};     // else the function's key in section "Main"
    std::optional<PeakKind> replayGainPeak = {}; // else key "ReplayGainPeak"
    std::optional<int> jobs = {};                // rows at once, counted as key "Jobs" counts
    // Formats each row makes beside its own; else key "AlsoMake".
    std::optional<QVector<OutputFormat>> alsoMake = {};
    bool ripLog = true;           // a rip's log, when the settings check rips
    bool ripCueSheet = true;      // a rip's cue sheet, when the settings ask for one
    bool wholeDisc = false;       // a rip to FLAC or WAV as one file, whatever
                                  // the settings say
    bool requireComplete = false; // a damaged source fails its file, whatever the settings say
    // The MP3 command line as typed now (the window's settings dialog).
    std::function<QString()> mp3CommandLine = {};
    // The row's format as the list shows it when the job reaches the row.
    std::function<OutputFormat(const JobRow&)> currentFormat = {};
};

// The job, ready to start. Each row takes the encoder settings and the RM
// codec as the settings file holds them when the row starts, so that a change
// made while the job runs counts from the next row; the RM codec is a
// position in the list of the job's RM writer, the first beyond it. A rip is
// checked and logged as the settings say, and made one file of the whole disc
// when they ask for that and its first row is FLAC or WAV (the progress shows
// on that row). Parts left empty are the
// real ones (JobParts::real). drives: the session whose disc is ripped, as
// it was read last; its ripper must outlive the job.
std::unique_ptr<Job> setUpJob(JobRequest request, const SettingsFile& settings,
                              DriveSession* drives, JobParts parts = {});
