#include "components/audiocomponentset.h"

#include "cd/freedbinformation.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdiograbber.h"
#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "components/lame/mp3lameencoder.h"
#include "components/player/audioplayer.h"
#include "components/skin/svgskin.h"

AudioComponentSet createAudioComponents() {
    AudioComponentSet set;
    set.AudioCDGrabber21 = std::make_unique<CdioGrabber>();
    set.FreeDBInformation21 = std::make_unique<FreeDbInformation>();
    set.AudioPlayer21 = std::make_unique<AudioPlayer>();
    set.AudioFileRead = std::make_unique<AudioFileReader>();
    set.Mp3LameEncoder = std::make_unique<Mp3LameEncoder>();
    set.VideoFile1 = std::make_unique<VideoFile>();
    set.VideoFile2 = std::make_unique<VideoFile>();
    set.Skin1 = std::make_unique<SvgSkin>();
    set.DriveLayer = std::make_unique<CdioDriveLayer>();
    return set;
}
