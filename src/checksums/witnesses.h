#pragma once

#include "checksums/accuraterip.h"
#include "checksums/ctdb.h"

#include <QString>
#include <QVector>

// What the two databases, AccurateRip and CTDB, say of one ripped track. A
// track is accurate when either confirms it: each knows discs the other
// does not.
struct TrackVerdict {
    ArVerdict accurateRip;
    CtdbVerdict ctdb;

    bool accurate() const {
        return accurateRip.status == ArVerdict::Accurate || ctdb.status == CtdbVerdict::Accurate;
    }
    // The rips that agree, as the Status mark shows them: AccurateRip's
    // confidence, else CTDB's.
    int confidence() const;
    // "AccurateRip: accurate (confidence 12); accurate in CTDB (confidence
    // 5 of 7)"; a database not asked (Unknown) is left out.
    QString text() const;
};

// "9 of 10 tracks accurate (AccurateRip 9, CTDB 10)"
QString accurateTracksText(const QVector<TrackVerdict>& tracks);
