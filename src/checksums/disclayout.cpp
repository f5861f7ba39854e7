#include "checksums/disclayout.h"

bool LayoutTrack::operator==(const LayoutTrack& other) const {
    return start == other.start && audio == other.audio && pregap == other.pregap &&
           indexes == other.indexes && isrc == other.isrc && preEmphasis == other.preEmphasis &&
           copyPermitted == other.copyPermitted && fourChannel == other.fourChannel;
}

CdToc DiscLayout::toc() const {
    QVector<int> starts;
    for (const LayoutTrack& track : tracks)
        starts << track.start;
    return CdToc(starts, leadout);
}

AccurateRipId DiscLayout::accurateRipId() const {
    QVector<ArTocTrack> toc;
    for (const LayoutTrack& track : tracks)
        toc << ArTocTrack{track.start, track.audio};
    return AccurateRipId::fromToc(toc, leadout);
}

int DiscLayout::audioIndex(int track) const {
    if (track < 0 || track >= tracks.size() || !tracks[track].audio)
        return -1;
    int index = 0;
    for (int i = 0; i < track; ++i)
        index += tracks[i].audio ? 1 : 0;
    return index;
}

int DiscLayout::audioCount() const {
    int count = 0;
    for (const LayoutTrack& track : tracks)
        count += track.audio ? 1 : 0;
    return count;
}

int DiscLayout::audioEnd() const {
    int last = -1;
    for (int i = 0; i < tracks.size(); ++i)
        if (tracks[i].audio)
            last = i;
    if (last < 0 || last + 1 >= tracks.size())
        return leadout;
    const int end = tracks[last + 1].start - SessionGapFrames;
    return end > tracks[last].start ? end : tracks[last + 1].start;
}

int DiscLayout::hiddenFrames() const {
    return tracks.isEmpty() || !tracks.first().audio ? 0 : qMax(0, tracks.first().start);
}

bool DiscLayout::anyPreEmphasis() const {
    for (const LayoutTrack& track : tracks)
        if (track.audio && track.preEmphasis)
            return true;
    return false;
}

bool DiscLayout::operator==(const DiscLayout& other) const {
    return tracks == other.tracks && leadout == other.leadout && catalog == other.catalog &&
           indexesRead == other.indexesRead;
}

QString DiscLayout::isrcProblem(const QString& isrc) {
    // Country and registrant: letters or digits; year and designation: digits.
    bool ok = isrc.size() == 12;
    for (int i = 0; ok && i < 12; ++i) {
        const QChar c = isrc[i];
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool letter = c >= QLatin1Char('A') && c <= QLatin1Char('Z');
        ok = i < 2 ? letter : i < 5 ? letter || digit : digit;
    }
    return ok ? QString()
              : QStringLiteral("an ISRC is two letters, three letters or digits and seven "
                               "digits");
}

QString DiscLayout::catalogProblem(const QString& catalog) {
    bool ok = catalog.size() == 13;
    for (const QChar c : catalog)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    // A disc without one reports thirteen zeros.
    if (ok && catalog == QLatin1String("0000000000000"))
        ok = false;
    return ok ? QString() : QStringLiteral("a catalog number is thirteen digits");
}
