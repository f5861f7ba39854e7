#pragma once

#include "components/cdgrabber.h"
#include "components/discinfolookup.h"
#include "components/drivelayer.h"
#include "components/videoreader.h"

#include <memory>

class SettingsFile;

// The audio components the window keeps for its whole run, with no window in
// sight: the CD grabber and the drive layer, the lookup settings, and the RM
// writer that lists its codecs. The program gets the real ones from
// createEngineComponents(); tests put fakes in.
struct EngineComponents {
    std::unique_ptr<CdGrabber> cdGrabber;
    std::unique_ptr<DiscInfoLookup> discInfoLookup;
    std::unique_ptr<RmWriter> rmWriter; // for the list of RM codecs
    std::unique_ptr<DriveLayer> driveLayer;
};

// The real components, reading their settings from `settings`' file.
EngineComponents createEngineComponents(const SettingsFile& settings);
