#pragma once

#include "cd/discinformation.h"
#include "cd/disclookup.h"
#include "components/audioplayer.h"
#include "components/discreader.h"
#include "components/drivelayer.h"
#include "components/skin.h"
#include "components/trackripper.h"
#include "components/videoreader.h"

#include <memory>

class SettingsFile;

// The audio components the window keeps for its whole run: the disc reader
// and the ripper of its discs, the drive layer, the lookup of a disc's names
// and where it asks, the RM writer that lists its codecs, the preview player
// and the skin engine. Tests put fakes in.
struct AudioComponentSet {
    std::unique_ptr<DiscReader> discReader;
    std::unique_ptr<TrackRipper> trackRipper; // reads the discs of discReader
    std::unique_ptr<DiscLookup> discLookup;
    std::unique_ptr<DiscInformation> discInformation;
    std::unique_ptr<RmWriter> rmWriter; // for the list of RM codecs
    std::unique_ptr<DriveLayer> driveLayer;
    std::unique_ptr<AudioPlayer> audioPlayer;
    std::unique_ptr<Skin> skin;
};

// The real components that need no display, reading their settings from
// `settings`' file; the window adds the player and the skin.
AudioComponentSet createEngineComponents(const SettingsFile& settings);
