#pragma once

#include "components/ifreedbinformation2.h"
#include "settings/settingsfile.h"

// Where a FreeDB lookup asks: the choices of section "Freedb", read from the
// settings file each time a lookup asks for them, with a sound value in place
// of anything unusable that was typed into the settings.
class FreeDbInformation : public IFreeDBInformation2 {
public:
    explicit FreeDbInformation(const QString& settingsPath);

    QString Server() const override;
    int Port() const override;
    int TimeoutMs() const override;
    QString Proxy() const override;
    Source LookupSource() const override;
    // The cache file beside the settings file.
    QString CachePath() const override;
    Databases LookupDatabases() const override;
    // Key "server" of section "MusicBrainz".
    QString MusicBrainzServer() const override;
    // The folder "MusicBrainz" beside the settings file.
    QString MusicBrainzCache() const override;
    QString CoverArtServer() const override;
    QString CoverArtCache() const override;

private:
    SettingsFile m_settings;
};
