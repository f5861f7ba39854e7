#include "control/audiocomponentset.h"

#include "cd/databaselookup.h"
#include "cd/storeddiscinformation.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdioripper.h"
#include "components/ffmpeg/videofile.h"
#include "settings/settingsfile.h"

AudioComponentSet createEngineComponents(const SettingsFile& settings) {
    AudioComponentSet set;
    auto reader = std::make_unique<CdioDiscReader>(settings.path());
    set.trackRipper = std::make_unique<CdioRipper>(*reader);
    set.discReader = std::move(reader);
    set.discLookup = std::make_unique<DatabaseLookup>();
    set.discInformation = std::make_unique<StoredDiscInformation>(settings.path());
    set.rmWriter = std::make_unique<VideoFile>();
    set.driveLayer = std::make_unique<CdioDriveLayer>(settings.path());
    return set;
}
