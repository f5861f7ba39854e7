#pragma once

#include "settings/settingkey.h"

// Section "wav": the WAV writer.
namespace WavKeys {
// 0 CD quality, 1 best quality, 2 custom, 3 as the source: a lossless copy of
// any source's rate, channels and bits, so that is what an empty file means.
inline constexpr IntKey Mode{"wav", "mode", 3};
inline constexpr IntKey Bit{"wav", "bit", 1};             // SampleWidthTable position
inline constexpr IntKey Channel{"wav", "channel", 1};     // 0 mono, 1 stereo
inline constexpr IntKey Frequency{"wav", "frequency", 7}; // SampleRateTable position

inline constexpr int ModeCount = 4;
inline constexpr int SourceMode = 3;
inline constexpr int ChannelCount = 2;
} // namespace WavKeys
