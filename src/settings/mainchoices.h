#pragma once

// The window's two functions, the output formats and the sub-folder schemes,
// as the list positions they are stored under in section "Main".
enum FunctionMode { CdRipper = 0, Converter = 1 };
enum OutputFormat { FormatMp3 = 0, FormatWav, FormatWma, FormatOgg, FormatRm, FormatSet };
enum class FolderScheme { None = 0, Artist = 1, Album = 2, ArtistAlbum = 3 };
