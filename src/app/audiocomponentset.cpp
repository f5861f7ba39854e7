#include "app/audiocomponentset.h"

#include "components/player/audioplayer.h"
#include "components/skin/svgskin.h"

AudioComponentSet createAudioComponents(const SettingsFile& settings) {
    AudioComponentSet set;
    static_cast<EngineComponents&>(set) = createEngineComponents(settings);
    set.AudioPlayer21 = std::make_unique<AudioPlayer>();
    set.Skin1 = std::make_unique<SvgSkin>();
    return set;
}
