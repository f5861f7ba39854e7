#pragma once

#include "settings/settingkey.h"

// Section "Drives": besides the disc images ("image1" ...), whether the
// question for a machine without any CD drive has been answered. It is asked
// once, and again only after a drive has been seen in between.
namespace DriveKeys {
inline constexpr BoolKey NoDriveAsked{"Drives", "NoDriveAsked", false};
} // namespace DriveKeys
