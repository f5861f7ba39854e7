#include "settings/freedbkeys.h"

const QStringList& freedbServers() {
    static const QStringList servers{
        QStringLiteral("gnudb.gnudb.org"),       QStringLiteral("gnudb.org"),
        QStringLiteral("us.gnudb.org"),          QStringLiteral("de.gnudb.org"),
        QStringLiteral("uk.gnudb.org"),          QStringLiteral("fr.gnudb.org"),
        QStringLiteral("nl.gnudb.org"),          QStringLiteral("ca.gnudb.org"),
        QStringLiteral("jp.gnudb.org"),          QStringLiteral("au.gnudb.org"),
        QStringLiteral("freedb.dbpoweramp.com"),
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
