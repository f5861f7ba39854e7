#include "components/audiocomponentset.h"

#include "cd/freedbinformation.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdiograbber.h"
#include "components/ffmpeg/videofile.h"
#include "settings/settingsfile.h"

AudioComponentSet createEngineComponents(const SettingsFile& settings) {
    AudioComponentSet set;
    set.cdGrabber = std::make_unique<CdioGrabber>(settings.path());
    set.discInfoLookup = std::make_unique<FreeDbInformation>(settings.path());
    set.rmWriter = std::make_unique<VideoFile>();
    set.driveLayer = std::make_unique<CdioDriveLayer>(settings.path());
    return set;
}
