#pragma once

#include "settings/settingkey.h"

#include <QStringList>

// Section "wma": the WMA profile, a position in wmaProfileNames().
namespace WmaKeys {
inline constexpr IntKey Format{"wma", "format", 9};
inline constexpr int ProfileCount = 47;
} // namespace WmaKeys

// The descriptions of the 47 WMA profiles, in profile order.
const QStringList& wmaProfileNames();
