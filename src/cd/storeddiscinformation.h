#pragma once

#include "cd/discinformation.h"
#include "settings/settingsfile.h"

// Where a disc is looked up: the choices of sections "Freedb" and
// "MusicBrainz", read from the settings file each time a lookup asks for
// them, with a sound value in place of anything unusable typed into them.
class StoredDiscInformation : public DiscInformation {
public:
    explicit StoredDiscInformation(const QString& settingsPath);

    QString server() const override;
    int port() const override;
    int timeoutMs() const override;
    QString proxy() const override;
    Source lookupSource() const override;
    // The cache file beside the settings file.
    QString cachePath() const override;
    Databases lookupDatabases() const override;
    // Key "server" of section "MusicBrainz".
    QString musicBrainzServer() const override;
    QString coverArtServer() const override;
    // The user's cache folder, never beside the settings file: that may lie
    // in a folder others can write.
    QString cacheRoot() const override;

private:
    SettingsFile m_settings;
};
