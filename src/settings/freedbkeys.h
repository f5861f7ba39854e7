#pragma once

#include "settings/settingkey.h"

#include <QStringList>

// Section "Freedb": where track names are looked up.
namespace FreedbKeys {
inline constexpr IntKey Site{"Freedb", "site", 0};       // position in freedbServers()
inline constexpr IntKey Source{"Freedb", "toserver", 1}; // 0 any, 1 server only, 2 cache only
inline constexpr TextKey Port{"Freedb", "port", "80"};
inline constexpr TextKey Timeout{"Freedb", "timeout", "10000"}; // milliseconds
inline constexpr TextKey Proxy{"Freedb", "proxy", ""};

inline constexpr int SourceCount = 3;
} // namespace FreedbKeys

// The eleven CDDB servers the settings offer; a working public one first.
const QStringList& freedbServers();
// The three album information sources, in the order of "toserver".
const QStringList& freedbSources();
