#pragma once

#include "settings/settingkey.h"

// Section "opus": the Opus writer.
namespace OpusKeys {
inline constexpr IntKey Bitrate{"opus", "bitrate", 128};      // kbit/s, 6..510
inline constexpr IntKey Mode{"opus", "mode", 0};              // 0 VBR, 1 constrained VBR, 2 CBR
inline constexpr IntKey Complexity{"opus", "complexity", 10}; // 0..10

inline constexpr int BitrateMin = 6;
inline constexpr int BitrateMax = 510;
inline constexpr int ModeCount = 3;
inline constexpr int ComplexityMax = 10;
} // namespace OpusKeys
