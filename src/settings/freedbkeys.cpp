#include "settings/freedbkeys.h"

// Since the freedb servers and their national mirrors closed in 2020, gnudb
// carries the database on, from one host. A stored position beyond the list
// reads as the first server.
const QStringList& freedbServers() {
    static const QStringList servers{
        QStringLiteral("gnudb.gnudb.org"),
    };
    return servers;
}

const QStringList& freedbSources() {
    static const QStringList sources{
        QStringLiteral("Any available source"),
        QStringLiteral("FreeDB Server only"),
        QStringLiteral("From 'CDFreeDB.ini' file."),
    };
    return sources;
}

const QStringList& lookupDatabases() {
    static const QStringList databases{
        QStringLiteral("FreeDB"),
        QStringLiteral("MusicBrainz"),
        QStringLiteral("MusicBrainz, then FreeDB"),
    };
    return databases;
}
