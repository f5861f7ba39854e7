#include "checksums/ctdb.h"

#include <cstdlib>

// A CTDB reply, whatever its bytes, read for a disc of three tracks (the
// one the corpus's replies name), judged as a rip's tracks would be.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    DiscLayout layout;
    layout.tracks = {LayoutTrack{0}, LayoutTrack{200}, LayoutTrack{380}};
    layout.leadout = 520;
    const CtdbDisc disc = CtdbDisc::fromLayout(layout);
    QString error;
    const QVector<CtdbEntry> entries = parseCtdbReply(bytes, disc, &error);
    if (!entries.isEmpty() && !error.isEmpty())
        std::abort();
    for (const CtdbEntry& entry : entries)
        if (entry.trackCrcs.size() != disc.trackCount() || entry.confidence < 0)
            std::abort();

    // The bytes stand in for the disc's audio as well, summed track by track.
    QVector<CtdbTrackSums> sums;
    qsizetype at = 0;
    for (int t = 0; t < disc.trackCount(); ++t) {
        CtdbTrackChecksum track(disc, t);
        const qsizetype length = (disc.trackEnd(t) - disc.trackStart(t)) * 4;
        const qsizetype take = std::min(length, bytes.size() - at);
        track.add(bytes.constData() + at, take);
        at += take;
        sums << track.sums();
    }
    const CtdbResult result = verifyCtdb(entries, disc, sums);
    for (const CtdbVerdict& verdict : result.tracks + QVector<CtdbVerdict>{result.disc})
        if (verdict.status == CtdbVerdict::Accurate &&
            (verdict.confidence <= 0 || verdict.confidence > verdict.total ||
             qAbs(verdict.pressingOffset) > CtdbDisc::MaxPressingOffset))
            std::abort();
    return 0;
}
