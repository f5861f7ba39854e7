#pragma once

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
constexpr bool IsOutputFormat(int format) {
    return format >= FormatMp3 && format <= FormatOpus && format != FormatSet;
}
