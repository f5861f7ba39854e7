#include "components/enginecomponents.h"

#include "cd/freedbinformation.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdiograbber.h"
#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "components/lame/mp3lameencoder.h"
#include "settings/settingsfile.h"

EngineComponents createEngineComponents(const SettingsFile& settings) {
    EngineComponents set;
    set.AudioCDGrabber21 = std::make_unique<CdioGrabber>(settings.path());
    set.FreeDBInformation21 = std::make_unique<FreeDbInformation>(settings.path());
    set.AudioFileRead = std::make_unique<AudioFileReader>();
    set.Mp3LameEncoder = std::make_unique<Mp3LameEncoder>();
    set.VideoFile1 = std::make_unique<VideoFile>();
    set.DriveLayer = std::make_unique<CdioDriveLayer>(settings.path());
    return set;
}
