#pragma once

#include "settings/mainchoices.h"

// The values the controller owns and the commands, jobs and handlers read.
struct MainState {
    int currentRow = -1;               // the row that play, tag edits and commands act on
    bool jobRunning = false;           // a rip or conversion job runs
    bool playbackActive = false;       // a preview plays
    bool sliderFollowsPlayback = true; // false while the user holds the slider down
    bool showFreeDbWindow = false;     // the next FreeDB lookup opens its status window
    int lastFormat = 0;                // last real output format, restored after "SET"
};
