#include "settings/lookuptables.h"

#include "settings/settingsfile.h"

namespace LookupTables {

int sampleRate(const SettingsFile& settings, const IntKey& key) {
    return SampleRateTable[settings.readPosition(key, SampleRateCount)];
}

int bitrate(const SettingsFile& settings, const IntKey& key) {
    return BitrateTable[settings.readPosition(key, BitrateCount)];
}

int sampleWidth(const SettingsFile& settings, const IntKey& key) {
    return SampleWidthTable[settings.readPosition(key, SampleWidthCount)];
}

} // namespace LookupTables
