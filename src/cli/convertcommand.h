#pragma once

class Console;
struct CliOptions;
class SettingsFile;

// Files and folders: each file is tested as Add File tests it, then the
// accepted ones are converted by one conversion job (or listed, for --list).
// Returns the exit status: 0 when every file was converted, else 1.
int convertFiles(const CliOptions& options, const SettingsFile& settings, Console& console);
