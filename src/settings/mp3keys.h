#pragma once

#include "settings/settingkey.h"

// Sections "mp3", "MP3VBR", "MP3Filt", "MP3Expert" and "MP3Prest": the MP3 encoder.
namespace Mp3Keys {
inline constexpr IntKey Bitrate{"mp3", "bitrate", 9};     // BitrateTable position
inline constexpr IntKey Channel{"mp3", "channel", 1};     // 0 mono .. 4 dual
inline constexpr IntKey Frequency{"mp3", "frequency", 7}; // SampleRateTable position
inline constexpr IntKey Quality{"mp3", "quality", 5};     // 0..9

inline constexpr IntKey CodingMethod{"MP3VBR", "Coding Method", 0}; // 0 none .. 4 MTRH
inline constexpr IntKey VbrBitrate{"MP3VBR", "vbr bitrate", 9};
inline constexpr IntKey VbrQuality{"MP3VBR", "vbr quality", 5};
inline constexpr BoolKey VbrHeader{"MP3VBR", "vbrck", true};
inline constexpr BoolKey EnforceMinBitrate{"MP3VBR", "semb", false};

inline constexpr BoolKey HighpassOn{"MP3Filt", "chHFilt", false};
inline constexpr BoolKey LowpassOn{"MP3Filt", "chLFilt", false};
inline constexpr IntKey HighpassFrequency{"MP3Filt", "udHFiltF", 30};
inline constexpr IntKey HighpassWidth{"MP3Filt", "udHFiltW", 5};
inline constexpr IntKey LowpassFrequency{"MP3Filt", "udLFiltF", 15160};
inline constexpr IntKey LowpassWidth{"MP3Filt", "udLFiltW", 750};

inline constexpr BoolKey BitReservoir{"MP3Expert", "Bit", true};
inline constexpr BoolKey ShortBlocks{"MP3Expert", "short", true};
inline constexpr BoolKey AllowDiffBlocks{"MP3Expert", "allow", false};
inline constexpr BoolKey StrictIso{"MP3Expert", "comply", false};
inline constexpr BoolKey Crc{"MP3Expert", "crc", false};
inline constexpr IntKey Ath{"MP3Expert", "ath", 0};       // 0..3
inline constexpr IntKey Deemphasis{"MP3Expert", "de", 0}; // 0..2

inline constexpr BoolKey UsePreset{"MP3Prest", "preset", false};
inline constexpr BoolKey UseAltPreset{"MP3Prest", "alt", false};
inline constexpr IntKey Preset{"MP3Prest", "rg_prest", 0};  // 0 "Phone" .. 10 "R3Mix"
inline constexpr IntKey AltPreset{"MP3Prest", "rg_alt", 0}; // 0 "Fast Standard" .. 4 "Insane"

inline constexpr int ChannelModeCount = 5;
inline constexpr int QualityCount = 10;
inline constexpr int CodingMethodCount = 5;
inline constexpr int AthCount = 4;
inline constexpr int DeemphasisCount = 3;
inline constexpr int PresetCount = 11;
inline constexpr int AltPresetCount = 5;
} // namespace Mp3Keys
