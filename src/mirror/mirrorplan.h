#pragma once

#include "jobs/jobrow.h"
#include "settings/mainchoices.h"

#include <QString>
#include <QStringList>

struct EncoderSettings;

// What a mirror does with one file of the source tree.
enum class MirrorAction {
    Convert, // an audio file, made anew in the target format
    Copy,    // a file taken as it is: the target format already, a lossy
             // source with copyLossy, or one of the extra kinds
    Leave    // anything else
};

struct MirrorChoices {
    OutputFormat format = FormatOpus;
    bool copyLossy = false;
    // Extensions copied alongside, in lower case without the dot.
    QStringList copyExtra = {QStringLiteral("jpg"), QStringLiteral("png")};
};

// Judged by the file's extension, in lower case.
MirrorAction mirrorActionFor(const QString& fileName, const MirrorChoices& choices);

// Whether the extension names a lossy format (MP3, Ogg Vorbis, Opus, AAC, WMA
// and their kin), which transcoding would only make worse.
bool isLossyFile(const QString& fileName);

// Where a file goes below the output folder: its path below its source folder,
// with the target's extension when it is converted ("A/B/01 x.flac" ->
// "A/B/01 x.opus").
QString mirrorOutputName(const QString& relative, MirrorAction action, OutputFormat format);

// What an output made by conversion depends on beside its source: the format,
// the settings of its encoder and the loudness values written. Two runs that
// give the same text make the same file.
QString conversionSettingsText(OutputFormat format, const EncoderSettings& encoders, GainMode gain,
                               PeakKind peak);
// The same for a copy.
QString copySettingsText();

// "--copy-extra jpg,PNG,.lrc" -> "jpg", "png", "lrc"; empty entries are dropped.
QStringList extensionList(const QString& text);
