#pragma once

#include "settings/mainchoices.h"

// The values the controller owns and the commands, jobs and handlers read.
struct MainState {
    int CurrentRow = -1;               // the row that play, tag edits and commands act on
    bool JobRunning = false;           // a rip or conversion job runs
    bool PlaybackActive = false;       // a preview plays
    bool SliderFollowsPlayback = true; // false while the user holds the slider down
    bool ShowFreeDbWindow = false;     // the next FreeDB lookup opens its status window
    int LastFormat = 0;                // last real output format, restored after "SET"
};
