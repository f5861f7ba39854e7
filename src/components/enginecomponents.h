#pragma once

#include "components/iaudiocdgrabber2.h"
#include "components/iaudiofile2.h"
#include "components/iaudiofile2lameenc.h"
#include "components/idrivelayer.h"
#include "components/ifreedbinformation2.h"
#include "components/ivideofile.h"

#include <memory>

class SettingsFile;

// The audio components that do the work, with no window in sight: the CD
// grabber and the drive layer, FreeDB, the file reader, the MP3 encoder's
// settings and the video reader / RM writer. The program gets the real ones
// from createEngineComponents(); tests put fakes in.
struct EngineComponents {
    std::unique_ptr<IAudioCDGrabber2> AudioCDGrabber21;
    std::unique_ptr<IFreeDBInformation2> FreeDBInformation21;
    std::unique_ptr<IAudioFile2> AudioFileRead;
    std::unique_ptr<IAudioFile2LameEnc> Mp3LameEncoder;
    std::unique_ptr<IVideoFile> VideoFile1;
    std::unique_ptr<IDriveLayer> DriveLayer;
};

// The real components, reading their settings from `settings`' file.
EngineComponents createEngineComponents(const SettingsFile& settings);
