#pragma once

#include <optional>
#include <QString>
#include <QVector>

// The window's two functions, the output formats and the sub-folder schemes,
// as the list positions they are stored under in section "Main".
enum FunctionMode { CdRipper = 0, Converter = 1 };
// FLAC and Opus came later: they follow "SET" so that every number an older
// settings file stored keeps its meaning.
enum OutputFormat {
    FormatMp3 = 0,
    FormatWav,
    FormatWma,
    FormatOgg,
    FormatRm,
    FormatSet,
    FormatFlac,
    FormatOpus
};
enum class FolderScheme { None = 0, Artist = 1, Album = 2, ArtistAlbum = 3 };

// Whether a file can be made in `format`: "SET" is a command, not a format.
constexpr bool isOutputFormat(int format) {
    return format >= FormatMp3 && format <= FormatOpus && format != FormatSet;
}

// The output formats in the order lists show them: the later ones after the first five.
inline constexpr OutputFormat ListedFormats[] = {FormatMp3, FormatWav,  FormatWma, FormatOgg,
                                                 FormatRm,  FormatFlac, FormatOpus};

// The one name of each format: a row's target, the format editor's and the
// Output Format group's items. "MP3", "WAV", "WMA", "OGG", "RM", "FLAC",
// "OPUS"; "SET" for the settings command; empty for any other number.
QString formatText(int format);
// The output format `text` names, exactly as formatText writes it; none for
// "SET", which makes no file, or for anything else.
std::optional<OutputFormat> formatFromText(const QString& text);

// The format as its files' sub-folder is named when a job makes several:
// "MP3", "WAV", "WMA", "Ogg", "RM", "FLAC", "Opus".
QString formatName(OutputFormat format);
// The formats a list such as "FLAC,OPUS" names (as formatText writes them, in
// any case), in its order, each once; a name that is no format is passed over.
QVector<OutputFormat> formatsNamed(const QString& list);
// The list formatsNamed reads: "FLAC,OPUS".
QString formatsText(const QVector<OutputFormat>& formats);
