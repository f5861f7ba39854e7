#pragma once

#include "settings/settingkey.h"

#include <QString>

// Section "Main": the four choices of the main window kept between runs.
namespace MainKeys {
inline constexpr IntKey Function{"Main", "Function", 0};
inline constexpr IntKey Format{"Main", "Format", 0};
inline constexpr IntKey Output{"Main", "Output", 0};
// Rows a conversion runs at once: 0 one per core, 1 one after the other.
inline constexpr IntKey Jobs{"Main", "Jobs", 0};
// ReplayGain a job measures and writes: 0 none, 1 each track's, 2 each
// track's and its album's. A rip is an album; converted files seldom are.
inline constexpr IntKey ReplayGainRip{"Main", "ReplayGainRip", 2};
inline constexpr IntKey ReplayGainConvert{"Main", "ReplayGainConvert", 1};
// The peak written beside the gains: "sample" (the highest sample, as most
// taggers write it) or "true" (oversampled, between the samples as well).
inline constexpr TextKey ReplayGainPeak{"Main", "ReplayGainPeak", "sample"};
// A conversion whose source turns out damaged (cut short, or with data that
// cannot be decoded) fails, rather than giving a file of what could be read.
inline constexpr BoolKey RequireComplete{"Main", "RequireComplete", false};
// Formats made beside the Output Format from the same read or decode, as a
// list such as "FLAC,OPUS"; empty makes the Output Format alone. With more
// than one format, each format's files go into a folder of its own.
inline constexpr TextKey AlsoMake{"Main", "AlsoMake", ""};
// The most a user may ask for; more rows at once than this only thrash the disk.
inline constexpr int MaxJobs = 64;
// The folder window's size as WIDTHxHEIGHT, kept when the user resizes it.
inline constexpr TextKey FolderWindowSize{"Main", "FolderWindowSize", "640x440"};
// "Path" defaults to the user's Music folder (see defaultOutputPath()).
inline constexpr const char* PathSection = "Main";
inline constexpr const char* PathName = "Path";
} // namespace MainKeys

class SettingsFile;

// The user's Music folder: the output folder of a first run.
QString defaultOutputPath();

// The rows a conversion runs at once from "Jobs": the number of cores for
// 0 (and for a value that is negative or not a number), at most MaxJobs.
int conversionRowsAtOnce(const SettingsFile& settings);
// The same rule for a value given elsewhere (the command line's --jobs).
int conversionRowsAtOnce(int jobs);
