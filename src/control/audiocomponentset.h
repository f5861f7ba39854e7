#pragma once

#include "components/audioplayer.h"
#include "components/enginecomponents.h"
#include "components/skin.h"

// The engine's components and the two the window adds: the preview player
// and the skin engine.
struct AudioComponentSet : EngineComponents {
    std::unique_ptr<AudioPlayer> audioPlayer;
    std::unique_ptr<Skin> skin;
};
