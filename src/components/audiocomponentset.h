#pragma once

#include "components/audioplayer.h"
#include "components/cdgrabber.h"
#include "components/discinfolookup.h"
#include "components/drivelayer.h"
#include "components/skin.h"
#include "components/videoreader.h"

#include <memory>

class SettingsFile;

// The audio components the window keeps for its whole run: the CD grabber
// and the drive layer, the lookup settings, the RM writer that lists its
// codecs, the preview player and the skin engine. Tests put fakes in.
struct AudioComponentSet {
    std::unique_ptr<CdGrabber> cdGrabber;
    std::unique_ptr<DiscInfoLookup> discInfoLookup;
    std::unique_ptr<RmWriter> rmWriter; // for the list of RM codecs
    std::unique_ptr<DriveLayer> driveLayer;
    std::unique_ptr<AudioPlayer> audioPlayer;
    std::unique_ptr<Skin> skin;
};

// The real components that need no display, reading their settings from
// `settings`' file; the window adds the player and the skin.
AudioComponentSet createEngineComponents(const SettingsFile& settings);
