#pragma once

class Console;
struct CliOptions;
class SettingsFile;

// --mirror: the folders given are kept as a tree in the output folder
// (MirrorRun), with a line per file made, failed or removed, the counts on
// a terminal's progress line, and the summary. Returns the exit status: 0
// when every file is mirrored, else 1.
int mirrorFolders(const CliOptions& options, const SettingsFile& settings, Console& console);
