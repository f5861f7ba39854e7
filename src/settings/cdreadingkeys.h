#pragma once

#include "settings/settingkey.h"

// Section "Format": how the CD is read. The settings dialog shows its own
// defaults for "mode" and "retries"; the grabber gets the cautious ones.
namespace CdReadingKeys {
inline constexpr IntKey ModeForDialog{"Format", "mode", 0};
inline constexpr IntKey ModeForGrabber{"Format", "mode", 1};
inline constexpr IntKey RetriesForDialog{"Format", "retries", 5};
inline constexpr IntKey RetriesForGrabber{"Format", "retries", 1};
inline constexpr IntKey ErrorAction{"Format", "stop", 0}; // 0 stop, 1 silence, 2 cut

inline constexpr int ModeCount = 4; // burst, synch, secure, paranoid
inline constexpr int RetriesMin = 1;
inline constexpr int RetriesMax = 32;
inline constexpr int ErrorActionCount = 3;
} // namespace CdReadingKeys
