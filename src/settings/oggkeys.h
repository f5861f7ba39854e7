#pragma once

#include "settings/settingkey.h"

// Section "ogg": the Ogg Vorbis writer.
namespace OggKeys {
inline constexpr IntKey Channel{"ogg", "channel", 1};     // 0 mono, 1 stereo
inline constexpr IntKey Frequency{"ogg", "frequency", 7}; // SampleRateTable position
inline constexpr IntKey Bitrate{"ogg", "bitrate", 9};     // BitrateTable position
inline constexpr IntKey MaxBitrate{"ogg", "max bitrate", 9};
inline constexpr IntKey MinBitrate{"ogg", "min bitrate", 9};
inline constexpr IntKey Quality{"ogg", "quality", 300}; // 0..1000
inline constexpr BoolKey Vbr{"ogg", "oggvbr", false};
inline constexpr BoolKey QualityMode{"ogg", "oggquality", false};

inline constexpr int ChannelCount = 2;
inline constexpr int QualityMax = 1000;
} // namespace OggKeys
