#include "components/trackripper.h"

#include "platform/range.h"
#include "settings/cdreadingkeys.h"
#include "settings/settingsfile.h"

ReadSettings ReadSettings::fromStored(int mode, int retries, int errorAction) {
    namespace Keys = CdReadingKeys;
    ReadSettings settings;
    if (mode >= 0 && mode < Keys::ModeCount)
        settings.mode = ReadMode(mode);
    settings.retries = inRangeOr(retries, Keys::RetriesMin, Keys::RetriesMax, settings.retries);
    if (errorAction >= 0 && errorAction < Keys::ErrorActionCount)
        settings.errorAction = ErrorAction(errorAction);
    return settings;
}

ReadSettings ReadSettings::from(const SettingsFile& settings) {
    namespace Keys = CdReadingKeys;
    return fromStored(settings.read(Keys::ModeForRipper), settings.read(Keys::RetriesForRipper),
                      settings.read(Keys::ErrorAction));
}
