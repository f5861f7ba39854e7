#pragma once

#include "components/trackripper.h"

#include <QString>

class SettingsFile;

// How a rip is checked and recorded. Off unless taken from a settings file,
// so that a rip made in code asks no server unless told to.
struct RipCheckSettings {
    bool lookUp = false; // ask the AccurateRip database about the disc
    QString server;      // its address
    QString cacheRoot;   // the private folder its replies are kept in; none when empty
    int timeoutMs = 15000;
    bool lookUpCtdb = false; // ask the CTDB as well: a track either confirms is accurate
    QString ctdbServer;
    bool writeLog = false; // a rip log beside the files
    ReadSettings read;     // how the disc is read, for the log
    // What the rip makes of the disc: a cue sheet and playlist beside the
    // files, the filter for tracks flagged PRE (both 0 never, 1 the default
    // kinds of output, 2 every output; see CdReadingKeys).
    int cueSheet = 0;
    int deEmphasis = 0;
    bool image = false; // a rip to FLAC or WAV is one file of the whole disc

    // Everything on, the servers from sections "AccurateRip" and "CTDB", the
    // replies kept in the user's cache folder.
    static RipCheckSettings from(const SettingsFile& settings);
};
