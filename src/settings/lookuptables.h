#pragma once

#include "settings/settingkey.h"

class SettingsFile;

// Stored list positions turned into encoder values, in the order of the
// settings dialog's lists.
namespace LookupTables {
inline constexpr int SampleRateTable[] = {8000,  11025, 12000, 16000, 22050,
                                          24000, 32000, 44100, 48000}; // Hz
inline constexpr int BitrateTable[] = {8,   16,  24,  32,  48,  64,  80, 96,
                                       112, 128, 160, 192, 224, 256, 320}; // kbps
inline constexpr int SampleWidthTable[] = {8, 16};                         // bits

inline constexpr int SampleRateCount = sizeof(SampleRateTable) / sizeof(int);
inline constexpr int BitrateCount = sizeof(BitrateTable) / sizeof(int);
inline constexpr int SampleWidthCount = sizeof(SampleWidthTable) / sizeof(int);

// The table's value at the key's stored position; a position outside the
// table falls back to the key's default.
int sampleRate(const SettingsFile& settings, const IntKey& key);
int bitrate(const SettingsFile& settings, const IntKey& key);
int sampleWidth(const SettingsFile& settings, const IntKey& key);
} // namespace LookupTables
