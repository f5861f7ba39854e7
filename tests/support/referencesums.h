#pragma once

#include <algorithm>
#include <QByteArray>
#include <QString>
#include <QVector>

// The sums of a disc written out plainly (CRC-32 bit by bit), so that tests
// hold Orvelle's fast sums against an independent reading of the rules.
namespace ReferenceSums {

inline quint32 crc32(const QByteArray& bytes, qint64 from = 0, qint64 to = -1) {
    quint32 crc = 0xffffffffu;
    for (qint64 i = from; i < (to < 0 ? bytes.size() : to); ++i) {
        crc ^= quint8(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
    }
    return ~crc;
}

// The disc's audio from track 1's INDEX 01 and the end of each of its tracks
// there, in bytes.
struct Disc {
    QByteArray audio;
    QVector<qint64> ends;
};

// CTDB: ten frames left out at the start, ten and as many as make whole
// strides of ten frames at the end; a track covers its part of that. A
// shift reads the disc that many samples later, as another pressing holds it.
inline quint32 ctdbDiscCrc(const Disc& disc, qint64 shiftSamples = 0) {
    const qint64 frames = disc.ends.last() / 2352;
    const qint64 end = (frames - 10 - frames % 10) * 2352;
    return crc32(disc.audio, 10 * 2352 + shiftSamples * 4, end + shiftSamples * 4);
}

inline QVector<quint32> ctdbTrackCrcs(const Disc& disc) {
    const qint64 frames = disc.ends.last() / 2352;
    const qint64 end = (frames - 10 - frames % 10) * 2352;
    QVector<quint32> crcs;
    for (int t = 0; t < disc.ends.size(); ++t)
        crcs << crc32(disc.audio, t == 0 ? 10 * 2352 : disc.ends[t - 1],
                      std::min(disc.ends[t], end));
    return crcs;
}

// lookup2.php's reply with one entry per pressing.
struct CtdbPressing {
    quint32 crc = 0;
    int confidence = 0;
    QVector<quint32> tracks;
};
inline QByteArray ctdbReply(const QVector<CtdbPressing>& pressings) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                     "<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\">";
    for (const CtdbPressing& p : pressings) {
        QByteArray tracks;
        for (quint32 crc : p.tracks)
            tracks += QByteArray::number(crc, 16).rightJustified(8, '0') + ' ';
        xml += "<entry confidence=\"" + QByteArray::number(p.confidence) + "\" crc32=\"" +
               QByteArray::number(p.crc, 16).rightJustified(8, '0') +
               "\" npar=\"8\" stride=\"5880\" trackcrcs=\"" + tracks.trimmed() + "\"/>";
    }
    return xml + "</ctdb>";
}

} // namespace ReferenceSums
