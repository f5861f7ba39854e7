#pragma once

#include "settings/settingkey.h"

#include <QString>

// Section "Main": the four choices of the main window kept between runs.
namespace MainKeys {
inline constexpr IntKey Function{"Main", "Function", 0};
inline constexpr IntKey Format{"Main", "Format", 0};
inline constexpr IntKey Output{"Main", "Output", 0};
// "Path" defaults to the user's Music folder (see defaultOutputPath()).
inline constexpr const char* PathSection = "Main";
inline constexpr const char* PathName = "Path";
} // namespace MainKeys

// The user's Music folder: the output folder of a first run.
QString defaultOutputPath();
