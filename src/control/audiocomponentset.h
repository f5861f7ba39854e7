#pragma once

#include "components/enginecomponents.h"
#include "components/iaudioplayer2.h"
#include "components/iskin.h"

// The engine's components and the two the window adds: the preview player
// and the skin engine.
struct AudioComponentSet : EngineComponents {
    std::unique_ptr<IAudioPlayer2> AudioPlayer21;
    std::unique_ptr<ISkin> Skin1;
};
