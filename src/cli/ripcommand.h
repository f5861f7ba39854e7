#pragma once

class Console;
struct CliOptions;
class SettingsFile;

// --cd: reads the disc in a drive or a disc image as the window's CD Ripper
// does (CD-TEXT names, or FreeDB's with --freedb), then rips the chosen
// tracks one after the other, or lists the disc for --list.
// Returns the exit status: 0, 1, or 2 for a track the disc does not have.
int ripDisc(const CliOptions& options, const SettingsFile& settings, Console& console);
