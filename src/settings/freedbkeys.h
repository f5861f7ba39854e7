#pragma once

#include "settings/settingkey.h"

#include <QStringList>

// Section "Freedb": where track names are looked up.
namespace FreedbKeys {
inline constexpr IntKey Site{"Freedb", "site", 0};       // position in freedbServers()
inline constexpr IntKey Source{"Freedb", "toserver", 1}; // 0 any, 1 server only, 2 cache only
inline constexpr TextKey port{"Freedb", "port", "80"};
inline constexpr TextKey Timeout{"Freedb", "timeout", "10000"}; // milliseconds
inline constexpr TextKey proxy{"Freedb", "proxy", ""};

inline constexpr int SourceCount = 3;
// Section "MusicBrainz", key "source": 0 FreeDB, 1 MusicBrainz, 2 MusicBrainz then FreeDB.
inline constexpr IntKey Databases{"MusicBrainz", "source", 2};
inline constexpr int DatabaseCount = 3;
} // namespace FreedbKeys

// The CDDB servers the settings offer; a working public one first.
const QStringList& freedbServers();
// The three album information sources, in the order of "toserver".
const QStringList& freedbSources();
// The databases asked for a disc's names, in the order of "MusicBrainz/source".
const QStringList& lookupDatabases();
