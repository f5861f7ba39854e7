#include "components/audiocomponentset.h"

#include "cd/freedbinformation.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdiograbber.h"
#include "components/null/nullcomponents.h"
#include "components/skin/svgskin.h"

AudioComponentSet createAudioComponents() {
    AudioComponentSet set;
    set.AudioCDGrabber21 = std::make_unique<CdioGrabber>(std::make_unique<NullAudioFile>());
    set.FreeDBInformation21 = std::make_unique<FreeDbInformation>();
    set.AudioPlayer21 = std::make_unique<NullPlayer>();
    set.AudioFileRead = std::make_unique<NullAudioFile>();
    set.Mp3LameEncoder = std::make_unique<NullLameEncoder>();
    set.VideoFile1 = std::make_unique<NullVideoFile>();
    set.VideoFile2 = std::make_unique<NullVideoFile>();
    set.Skin1 = std::make_unique<SvgSkin>();
    set.DriveLayer = std::make_unique<CdioDriveLayer>();
    return set;
}
