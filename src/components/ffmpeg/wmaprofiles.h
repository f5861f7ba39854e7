#pragma once

// What each of the 47 WMA profiles of the settings is made of here: FFmpeg's
// WMA v2 encoder writes constant bitrate only, so a VBR profile takes the
// bitrate its quality usually comes to, the lossless one a high bitrate, and
// a bitrate below the encoder's lowest takes that lowest.
struct WmaProfile {
    int sampleRate;
    int channels;
    int bitrate; // bits per second, as the encoder will make it
};

namespace WmaProfiles {
inline constexpr int Count = 47;
// The lowest bitrate FFmpeg's WMA v2 encoder accepts.
inline constexpr int MinimumBitrate = 24000;
// `index` in 0..Count-1.
WmaProfile profile(int index);
} // namespace WmaProfiles
