#include "checksums/witnesses.h"

int TrackVerdict::confidence() const {
    if (accurateRip.status == ArVerdict::Accurate)
        return accurateRip.confidence;
    return ctdb.status == CtdbVerdict::Accurate ? ctdb.confidence : 0;
}

QString TrackVerdict::text() const {
    // A database that was not asked is not named, so a rip checked against
    // AccurateRip alone reads as it always has.
    if (ctdb.status == CtdbVerdict::Unknown)
        return accurateRip.text();
    if (accurateRip.status == ArVerdict::Unknown)
        return ctdb.text();
    return QStringLiteral("AccurateRip: %1; %2").arg(accurateRip.text(), ctdb.text());
}

QString accurateTracksText(const QVector<TrackVerdict>& tracks) {
    int accurate = 0, accurateRip = 0, ctdb = 0;
    for (const TrackVerdict& track : tracks) {
        accurate += track.accurate() ? 1 : 0;
        accurateRip += track.accurateRip.status == ArVerdict::Accurate ? 1 : 0;
        ctdb += track.ctdb.status == CtdbVerdict::Accurate ? 1 : 0;
    }
    return QStringLiteral("%1 of %2 tracks accurate (AccurateRip %3, CTDB %4)")
        .arg(accurate)
        .arg(tracks.size())
        .arg(accurateRip)
        .arg(ctdb);
}
