#pragma once

#include "components/iaudiocdgrabber2.h"
#include "components/iaudiofile2.h"
#include "components/iaudiofile2lameenc.h"
#include "components/iaudioplayer2.h"
#include "components/idrivelayer.h"
#include "components/ifreedbinformation2.h"
#include "components/iskin.h"
#include "components/ivideofile.h"

#include <memory>

// The audio components and the skin engine that the main window hosts.
// The program gets the real ones from createAudioComponents(); tests put fakes in.
struct AudioComponentSet {
    std::unique_ptr<IAudioCDGrabber2> AudioCDGrabber21;
    std::unique_ptr<IFreeDBInformation2> FreeDBInformation21;
    std::unique_ptr<IAudioPlayer2> AudioPlayer21;
    std::unique_ptr<IAudioFile2> AudioFileRead;
    std::unique_ptr<IAudioFile2LameEnc> Mp3LameEncoder;
    std::unique_ptr<IVideoFile> VideoFile1;
    std::unique_ptr<IVideoFile> VideoFile2;
    std::unique_ptr<ISkin> Skin1;
    std::unique_ptr<IDriveLayer> DriveLayer;
};

AudioComponentSet createAudioComponents();
