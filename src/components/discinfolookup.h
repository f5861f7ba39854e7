#pragma once

#include <QString>

// What a FreeDB lookup needs to know about where to ask: the connection
// settings the user chose, handed to the grabber with every query.
class DiscInfoLookup {
public:
    enum class Source { AnyAvailable = 0, ServerOnly = 1, CacheOnly = 2 };
    // Which databases are asked, in order.
    enum class Databases { FreeDb = 0, MusicBrainz = 1, MusicBrainzThenFreeDb = 2 };

    virtual ~DiscInfoLookup() = default;

    virtual QString server() const = 0; // host name
    virtual int port() const = 0;
    virtual int timeoutMs() const = 0;
    virtual QString proxy() const = 0; // "host:port" or empty
    virtual Source lookupSource() const = 0;
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
