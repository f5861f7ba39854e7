#pragma once

#include "settings/settingkey.h"

// Section "flac": the FLAC writer. Every file is verified as it is encoded;
// that is not a choice.
namespace FlacKeys {
inline constexpr IntKey Level{"flac", "level", 5}; // compression level 0..8

inline constexpr int LevelMax = 8;
} // namespace FlacKeys
