#pragma once

#include "components/loudness/loudnessmeter.h"
#include "jobs/ripcheck.h"
#include "settings/encodersettings.h"
#include "settings/mainchoices.h"
#include "values/rowtag.h"
#include "values/sourcedamage.h"
#include "values/tagextras.h"

#include <functional>
#include <memory>
#include <QString>
#include <QVector>

class AudioReader;
class AudioWriter;
class VideoReader;
class RmWriter;

// One row of the list as a job sees it, taken when the job starts.
struct JobRow {
    int row = -1;    // the row's index in the list; the job's signals name it
    QString caption; // the track title (CD) or the source's file name (file)
    QString source;  // file rows: the source's full path
    int track = -1;  // CD rows: the track, counted from 0
    OutputFormat format = FormatMp3;
    RowTag tag;          // written into the output file
    CoverArt cover = {}; // embedded as the front cover; none when empty
    TagExtras disc = {}; // CD rows: the track's ISRC, the barcode and the track's number
};

// One file a row makes, or was to make.
struct RowOutput {
    OutputFormat format = FormatMp3;
    QString path;            // the name the file got, or was to get
    QString failure;         // why it has no file; empty when it has one
    QString conversion = {}; // what became of the source's format in it
};

// Which ReplayGain values a job measures and writes: none, each track's, or
// each track's and its album's.
enum class GainMode { Off = 0, Track = 1, Album = 2 };

// Where a job's output goes and how it is made, taken when the job starts
// (setUpJob).
struct JobSettings {
    QString outputFolder;
    FolderScheme scheme = FolderScheme::None;
    int rmCodec = 0; // position in the RM codec list (section "Rm", key "format")
    GainMode replayGain = GainMode::Off;
    PeakKind replayGainPeak = PeakKind::Sample; // the peak written beside the gains
    // A source found damaged fails its row rather than giving a file that ends early.
    bool requireComplete = false;
    // Asked when the job reaches a row, so that a change made while the job
    // runs counts: the row's Target now, and the RM codec now. Without them
    // the row's format and rmCodec above hold.
    std::function<OutputFormat(const JobRow&)> currentFormat = {};
    std::function<int()> currentRmCodec = {};
    // The encoder settings a row's writer is made from, asked as the row
    // starts; the defaults without it.
    std::function<EncoderSettings()> encoders = {};
    RipCheckSettings check = {}; // a rip's AccurateRip check and log; both off by default
    // Formats every row makes beside its own, from the same read or decode.
    QVector<OutputFormat> alsoMake = {};
};

// What a finished row's file is, beside its sound: how its source's format
// was converted for it, and what the source showed of damage.
struct RowNotes {
    QString conversion;
    SourceDamage damage;
};

// A new writer for one output file of MP3, WAV, WMA, OGG, FLAC or Opus, set up
// from the encoder settings as they are when the row starts.
using WriterFactory =
    std::function<std::unique_ptr<AudioWriter>(OutputFormat, const EncoderSettings&)>;
// A new audio file reader.
using ReaderFactory = std::function<std::unique_ptr<AudioReader>()>;
// A new reader of a video's sound.
using VideoFactory = std::function<std::unique_ptr<VideoReader>()>;
// A new RealMedia writer.
using RmWriterFactory = std::function<std::unique_ptr<RmWriter>()>;
// The front cover a source file carries, fit to embed; empty when it has
// none (readCoverPicture).
using CoverReader = std::function<CoverArt(const QString& sourcePath)>;
// Writes a row's tags, its cover and its loudness values into a finished
// output file (writeOutputTags).
using TagWriter =
    std::function<void(const QString& outputPath, const RowTag& tag, const TagExtras& extras)>;

// The parts a job makes its rows from. A rip takes the writers and the tag
// writer; a conversion takes them all.
struct JobParts {
    WriterFactory writer;
    ReaderFactory audioReader;
    VideoFactory video; // the reader of a video's sound
    RmWriterFactory rm;
    TagWriter tags = {};     // writeOutputTags when not given
    CoverReader covers = {}; // the picture a source carries goes on into its output

    // The real components: FFmpeg's readers and RM writer, the writers of
    // components/output, the tag units, the cover a source carries.
    static JobParts real();
};
