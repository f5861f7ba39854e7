#pragma once

#include "settings/settingkey.h"

// Section "Rm": the RealMedia codec, a position in the RM codec list (codec number - 1).
namespace RmKeys {
inline constexpr IntKey Format{"Rm", "format", 0};
} // namespace RmKeys
