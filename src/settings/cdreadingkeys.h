#pragma once

#include "settings/settingkey.h"

// Section "Format": how the CD is read. The settings dialog shows its own
// defaults for "mode" and "retries"; the ripper gets the cautious ones.
namespace CdReadingKeys {
inline constexpr IntKey ModeForDialog{"Format", "mode", 0};
inline constexpr IntKey ModeForRipper{"Format", "mode", 1};
inline constexpr IntKey RetriesForDialog{"Format", "retries", 5};
inline constexpr IntKey RetriesForRipper{"Format", "retries", 1};
inline constexpr IntKey ErrorAction{"Format", "stop", 0}; // 0 stop, 1 silence, 2 cut

// What a rip makes of the disc beside its tracks. For "cuesheet" and
// "deemphasis": 0 never, 1 for lossless (cue sheet) or lossy (de-emphasis)
// outputs only, 2 for every output.
inline constexpr BoolKey HiddenTrack{"Format", "hiddentrack", true};
inline constexpr IntKey CueSheet{"Format", "cuesheet", 1};
inline constexpr IntKey DeEmphasis{"Format", "deemphasis", 1};
// A rip to FLAC or WAV makes one file of the whole disc, its cue sheet beside it.
inline constexpr BoolKey DiscAsOneFile{"Format", "image", false};
inline constexpr int DiscChoiceCount = 3;

inline constexpr int ModeCount = 4; // burst, synch, secure, paranoid
inline constexpr int RetriesMin = 1;
inline constexpr int RetriesMax = 32;
inline constexpr int ErrorActionCount = 3;
} // namespace CdReadingKeys
