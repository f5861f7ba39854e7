#pragma once

#include <QString>

// Where a disc's names are looked up: the servers and choices the user made,
// asked for at the start of every lookup.
class DiscInformation {
public:
    enum class Source { AnyAvailable = 0, ServerOnly = 1, CacheOnly = 2 };
    // Which databases are asked, in order.
    enum class Databases { FreeDb = 0, MusicBrainz = 1, MusicBrainzThenFreeDb = 2 };

    virtual ~DiscInformation() = default;

    virtual QString server() const = 0; // the FreeDB host name
    virtual int port() const = 0;
    virtual int timeoutMs() const = 0;
    virtual QString proxy() const = 0; // "host:port" or empty
    virtual Source lookupSource() const = 0;
    // FreeDB's own file of discs found, which the source "From 'CDFreeDB.ini' file." reads.
    virtual QString cachePath() const = 0;

    // FreeDB alone unless the settings say otherwise.
    virtual Databases lookupDatabases() const { return Databases::FreeDb; }
    virtual QString musicBrainzServer() const { return {}; }
    // The Cover Art Archive a MusicBrainz release's cover comes from; no
    // cover is asked for when empty.
    virtual QString coverArtServer() const { return {}; }
    // The private folder where the answers of MusicBrainz and the Cover Art
    // Archive are kept; none when empty.
    virtual QString cacheRoot() const { return {}; }
};
