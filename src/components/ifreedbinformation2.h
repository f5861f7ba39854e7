#pragma once

#include <QString>

// What a FreeDB lookup needs to know about where to ask: the connection
// settings the user chose, handed to the grabber with every query.
class IFreeDBInformation2 {
public:
    enum class Source { AnyAvailable = 0, ServerOnly = 1, CacheOnly = 2 };
    // Which databases are asked, in order.
    enum class Databases { FreeDb = 0, MusicBrainz = 1, MusicBrainzThenFreeDb = 2 };

    virtual ~IFreeDBInformation2() = default;

    virtual QString Server() const = 0; // host name
    virtual int Port() const = 0;
    virtual int TimeoutMs() const = 0;
    virtual QString Proxy() const = 0; // "host:port" or empty
    virtual Source LookupSource() const = 0;
    virtual QString CachePath() const = 0;

    // FreeDB alone unless the settings say otherwise.
    virtual Databases LookupDatabases() const { return Databases::FreeDb; }
    virtual QString MusicBrainzServer() const { return {}; }
    // Where MusicBrainz's answers are kept; none when empty.
    virtual QString MusicBrainzCache() const { return {}; }
    // The Cover Art Archive a MusicBrainz release's cover comes from; no
    // cover is asked for when empty. Its answers are kept in CoverArtCache.
    virtual QString CoverArtServer() const { return {}; }
    virtual QString CoverArtCache() const { return {}; }
};
