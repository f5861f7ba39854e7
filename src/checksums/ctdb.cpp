#include "checksums/ctdb.h"

#include "checksums/crc32.h"
#include "values/untrustedtext.h"

#include <algorithm>
#include <array>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

constexpr qint64 Bps = CtdbDisc::BytesPerSample;
constexpr qint64 StrideBytes = CtdbDisc::StrideSamples * Bps;

// No reply of the database comes near these; a reply that does is none.
constexpr qsizetype MaxReplyBytes = 1 << 20;
constexpr int MaxDepth = 16;
constexpr int MaxEntries = 1000;
constexpr int MaxConfidence = 1000000000;

QString damaged(const QString& why) {
    return QStringLiteral("The CTDB reply is damaged: %1.").arg(why);
}

// Appends the part of data (which starts at byte `at`) that lies in [from, to).
void keepPart(QByteArray& kept, const char* data, qint64 at, qint64 bytes, qint64 from, qint64 to) {
    const qint64 begin = std::max(at, from);
    const qint64 end = std::min(at + bytes, to);
    if (begin < end)
        kept.append(data + (begin - at), qsizetype(end - begin));
}

// "1a2b3c4d" or "0x1a2b3c4d".
bool parseCrc(QStringView text, quint32* crc) {
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = !text.isEmpty() && text.size() <= 8;
    *crc = ok ? text.toUInt(&ok, 16) : 0;
    return ok;
}

QString signedSamples(int samples) {
    return (samples > 0 ? QStringLiteral("+") : QString()) + QString::number(samples);
}

} // namespace

CtdbDisc CtdbDisc::fromLayout(const DiscLayout& layout) {
    int first = -1, last = -1;
    for (int i = 0; i < layout.tracks.size(); ++i) {
        if (!layout.tracks[i].audio)
            continue;
        // The database sums one stretch of audio: no data track within it.
        if (last >= 0 && last != i - 1)
            return {};
        if (first < 0)
            first = i;
        last = i;
    }
    if (first < 0)
        return {};
    const qint64 start = layout.tracks[first].start;
    const qint64 end = layout.audioEnd();
    CtdbDisc disc;
    for (int i = first; i <= last; ++i) {
        const qint64 next = i < last ? layout.tracks[i + 1].start : end;
        if (layout.tracks[i].start < start || next <= layout.tracks[i].start)
            return {};
        disc.m_starts << (layout.tracks[i].start - start) * SamplesPerFrame;
    }
    disc.m_samples = (end - start) * SamplesPerFrame;
    // Ten frames left out at each end and at least one stride between.
    if (disc.m_samples < 3 * StrideSamples)
        return {};
    return disc;
}

CtdbDisc CtdbDisc::fromToc(const QString& toc) {
    const QStringList parts = toc.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 100)
        return {};
    DiscLayout layout;
    for (int i = 0; i < parts.size(); ++i) {
        QStringView part = parts[i];
        const bool data = part.startsWith(QLatin1Char('-'));
        if (data)
            part = part.mid(1);
        bool ok = !part.isEmpty() && !part.startsWith(QLatin1Char('+'));
        const int frames = ok ? part.toInt(&ok) : 0;
        if (!ok || frames < 0 || (i + 1 == parts.size() && data))
            return {};
        if (!layout.tracks.isEmpty() && frames <= layout.tracks.last().start)
            return {};
        if (i + 1 == parts.size())
            layout.leadout = frames;
        else
            layout.tracks << LayoutTrack{frames, !data};
    }
    return fromLayout(layout);
}

QString CtdbDisc::tocText(const DiscLayout& layout) {
    QStringList parts;
    for (const LayoutTrack& track : layout.tracks)
        parts << (track.audio ? QString() : QStringLiteral("-")) + QString::number(track.start);
    parts << QString::number(layout.leadout);
    return parts.join(QLatin1Char(':'));
}

qint64 CtdbDisc::trackEnd(int track) const {
    if (track < 0 || track >= m_starts.size())
        return 0;
    return track + 1 < m_starts.size() ? m_starts[track + 1] : m_samples;
}

qint64 CtdbDisc::coveredEnd() const {
    const qint64 frames = m_samples / SamplesPerFrame;
    return (frames - 10 - frames % 10) * SamplesPerFrame;
}

qint64 CtdbDisc::coveredStart(int track) const {
    return std::min(std::max(trackStart(track), coveredStart()), coveredEnd(track));
}

qint64 CtdbDisc::coveredEnd(int track) const {
    return std::max(std::min(trackEnd(track), coveredEnd()), trackStart(track));
}

QVector<int> CtdbDisc::trackFrames() const {
    QVector<int> frames;
    for (int i = 0; i < m_starts.size(); ++i)
        frames << int((trackEnd(i) - m_starts[i]) / SamplesPerFrame);
    return frames;
}

CtdbTrackChecksum::CtdbTrackChecksum(const CtdbDisc& disc, int track) {
    if (track < 0 || track >= disc.trackCount())
        return;
    const qint64 start = disc.trackStart(track);
    const auto within = [&](qint64 discSample) {
        return std::clamp((discSample - start) * Bps, qint64(0),
                          (disc.trackEnd(track) - start) * Bps);
    };
    m_length = within(disc.trackEnd(track));
    m_coveredStart = within(disc.coveredStart(track));
    m_coveredEnd = within(disc.coveredEnd(track));
    m_headStart = within(0);
    m_headEnd = within(2 * CtdbDisc::StrideSamples);
    m_tailStart = within(disc.coveredEnd() - CtdbDisc::StrideSamples);
    m_tailEnd = within(disc.coveredEnd() + CtdbDisc::StrideSamples);
}

void CtdbTrackChecksum::add(const char* pcm, qsizetype bytes) {
    if (!pcm || bytes <= 0)
        return;
    const qint64 begin = std::max(m_position, m_coveredStart);
    const qint64 end = std::min(m_position + bytes, m_coveredEnd);
    if (begin < end)
        m_reg = Crc32::update(m_reg, pcm + (begin - m_position), end - begin);
    keepPart(m_head, pcm, m_position, bytes, m_headStart, m_headEnd);
    keepPart(m_tail, pcm, m_position, bytes, m_tailStart, m_tailEnd);
    m_position += bytes;
}

CtdbTrackSums CtdbTrackChecksum::sums() const {
    return {m_length > 0 && m_position == m_length, ~m_reg, m_head, m_tail};
}

CtdbDiscSums CtdbDiscSums::of(const CtdbDisc& disc, const QVector<CtdbTrackSums>& tracks) {
    CtdbDiscSums sums;
    if (!disc.isValid() || tracks.size() != disc.trackCount())
        return sums;
    for (int i = 0; i < tracks.size(); ++i) {
        if (!tracks[i].complete)
            return {};
        sums.crc = i == 0 ? tracks[i].crc
                          : Crc32::combine(sums.crc, tracks[i].crc,
                                           (disc.coveredEnd(i) - disc.coveredStart(i)) * Bps);
        sums.head += tracks[i].head;
        sums.tail += tracks[i].tail;
    }
    sums.complete = true;
    return sums;
}

QVector<int> ctdbPressingOffsets(const CtdbDisc& disc, const CtdbDiscSums& sums,
                                 const QVector<quint32>& crcs) {
    QVector<int> offsets;
    if (!sums.complete || crcs.isEmpty() || sums.head.size() != 2 * StrideBytes ||
        sums.tail.size() != 2 * StrideBytes)
        return offsets;
    // Registers from 0 (crc32.h): a CRC-32 over `length` bytes is ~reg ^ base.
    const qint64 length = (disc.coveredEnd() - disc.coveredStart()) * Bps;
    const quint32 base = Crc32::shift(~0u, length);
    QVector<quint32> wanted;
    for (quint32 crc : crcs)
        wanted << (~crc ^ base);
    const auto head = reinterpret_cast<const uchar*>(sums.head.constData());
    const auto tail = reinterpret_cast<const uchar*>(sums.tail.constData());

    // The covered stretch without its last stride, then moved back by one
    // stride: the stretch at the lowest shift.
    const quint32 lastStride = Crc32::update(0, tail, StrideBytes);
    const quint32 middle = Crc32::shift(~sums.crc ^ base ^ lastStride, -StrideBytes);
    quint32 reg = Crc32::shift(Crc32::update(0, head, StrideBytes), length - StrideBytes) ^ middle;

    // What a sample leaving at the front takes out of the register: each of
    // its four bytes, followed by the rest of the stretch.
    std::array<std::array<quint32, 256>, 4> leaving{};
    const quint32 rest = Crc32::power(length - Bps);
    for (int k = 0; k < 4; ++k)
        for (int value = 0; value < 256; ++value) {
            uchar bytes[4] = {};
            bytes[k] = uchar(value);
            leaving[k][value] = Crc32::multiply(Crc32::update(0, bytes, 4), rest);
        }

    const int most = CtdbDisc::MaxPressingOffset;
    for (int d = -most;; ++d) {
        if (wanted.contains(reg))
            offsets << d;
        if (d == most)
            break;
        const uchar* out = head + StrideBytes + qint64(d) * Bps;
        reg ^= leaving[0][out[0]] ^ leaving[1][out[1]] ^ leaving[2][out[2]] ^ leaving[3][out[3]];
        reg = Crc32::update(reg, tail + StrideBytes + qint64(d) * Bps, Bps);
    }
    return offsets;
}

QVector<CtdbEntry> parseCtdbReply(const QByteArray& xml, const CtdbDisc& disc, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return QVector<CtdbEntry>();
    };
    if (!disc.isValid())
        return fail(QStringLiteral("The disc has too little audio to check with CTDB."));
    if (xml.size() > MaxReplyBytes)
        return fail(damaged(QStringLiteral("it is far larger than any reply of the database")));

    QXmlStreamReader reader(xml);
    QVector<CtdbEntry> entries;
    int depth = 0;
    bool root = false;
    int otherDiscs = 0;
    QString otherToc;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
            return fail(damaged(QStringLiteral("it declares entities")));
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (++depth > MaxDepth)
            return fail(damaged(QStringLiteral("it nests deeper than any reply of the database")));
        if (depth == 1) {
            if (reader.name() != QLatin1String("ctdb"))
                return fail(damaged(QStringLiteral("it is no CTDB reply")));
            root = true;
            continue;
        }
        if (depth != 2 || reader.name() != QLatin1String("entry"))
            continue;
        if (entries.size() + otherDiscs >= MaxEntries)
            return fail(damaged(QStringLiteral("it lists more pressings than any disc has")));
        const QXmlStreamAttributes attributes = reader.attributes();
        const QString toc = attributes.value(QLatin1String("toc")).toString();
        if (!toc.isEmpty() && CtdbDisc::fromToc(toc).trackFrames() != disc.trackFrames()) {
            ++otherDiscs;
            otherToc = cleanUntrustedText(toc, 120);
            continue;
        }
        CtdbEntry entry;
        if (!parseCrc(attributes.value(QLatin1String("crc32")).trimmed(), &entry.crc))
            return fail(damaged(QStringLiteral("an entry's crc32 is no checksum")));
        bool ok = false;
        entry.confidence = attributes.value(QLatin1String("confidence")).trimmed().toInt(&ok);
        if (!ok || entry.confidence < 0 || entry.confidence > MaxConfidence)
            return fail(damaged(QStringLiteral("an entry's confidence is no count of rips")));
        quint32 crc = 0;
        const QStringView crcs = attributes.value(QLatin1String("trackcrcs"));
        for (const QStringView text : crcs.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!parseCrc(text, &crc))
                return fail(damaged(QStringLiteral("an entry's trackcrcs holds no checksums")));
            entry.trackCrcs << crc;
            if (entry.trackCrcs.size() > AccurateRipId::MaxTracks)
                break;
        }
        if (entry.trackCrcs.size() != disc.trackCount()) {
            ++otherDiscs;
            otherToc = QStringLiteral("%1 tracks").arg(entry.trackCrcs.size());
            continue;
        }
        entries << entry;
    }
    if (reader.hasError()) {
        QString why = reader.errorString();
        while (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        return fail(damaged(why.left(1).toLower() + why.mid(1)));
    }
    if (!root)
        return fail(damaged(QStringLiteral("it is no CTDB reply")));
    if (entries.isEmpty() && otherDiscs > 0)
        return fail(
            QStringLiteral("The CTDB reply is for another disc (%1) than this one.").arg(otherToc));
    if (error)
        error->clear();
    return entries;
}

QString CtdbVerdict::text() const {
    switch (status) {
    case Accurate:
        return (pressingOffset == 0
                    ? QStringLiteral("accurate in CTDB")
                    : QStringLiteral("accurate in CTDB with a pressing offset of %1 samples")
                          .arg(signedSamples(pressingOffset))) +
               QStringLiteral(" (confidence %1 of %2)").arg(confidence).arg(total);
    case Mismatch:
        return QStringLiteral("mismatch in CTDB");
    case NotInDatabase:
        return QStringLiteral("not in CTDB");
    case LookupFailed:
        if (!reason.isEmpty())
            return QStringLiteral("not verified in CTDB: ") + reason;
        break;
    case Unknown:
        break;
    }
    return QStringLiteral("not verified in CTDB");
}

CtdbVerdict CtdbVerdict::lookupFailed(const QString& why) {
    CtdbVerdict verdict;
    verdict.status = LookupFailed;
    verdict.reason = why;
    return verdict;
}

CtdbResult verifyCtdb(const QVector<CtdbEntry>& entries, const CtdbDisc& disc,
                      const QVector<CtdbTrackSums>& tracks) {
    CtdbResult result;
    result.tracks.resize(disc.trackCount());
    if (entries.isEmpty()) {
        result.disc.status = CtdbVerdict::NotInDatabase;
        for (int i = 0; i < result.tracks.size(); ++i)
            if (tracks.value(i).complete)
                result.tracks[i].status = CtdbVerdict::NotInDatabase;
        return result;
    }
    qint64 total = 0;
    for (const CtdbEntry& entry : entries)
        total += entry.confidence;
    const int rips = int(std::min<qint64>(total, MaxConfidence));
    // Rips that no one vouches for (confidence 0) match nothing.
    const auto accurate = [rips](qint64 agreeing, int offset = 0) {
        CtdbVerdict verdict;
        verdict.total = rips;
        verdict.status = agreeing > 0 ? CtdbVerdict::Accurate : CtdbVerdict::Mismatch;
        verdict.confidence = agreeing > 0 ? int(std::min<qint64>(agreeing, rips)) : 0;
        verdict.pressingOffset = agreeing > 0 ? offset : 0;
        return verdict;
    };
    for (int i = 0; i < result.tracks.size(); ++i) {
        if (!tracks.value(i).complete)
            continue;
        qint64 agreeing = 0;
        for (const CtdbEntry& entry : entries)
            if (entry.trackCrcs.value(i) == tracks[i].crc)
                agreeing += entry.confidence;
        result.tracks[i] = accurate(agreeing);
    }
    const CtdbDiscSums sums = CtdbDiscSums::of(disc, tracks);
    if (!sums.complete)
        return result;
    qint64 agreeing = 0;
    for (const CtdbEntry& entry : entries)
        agreeing += entry.crc == sums.crc ? entry.confidence : 0;
    result.disc = accurate(agreeing);
    if (agreeing > 0)
        return result;

    // Another pressing: the whole disc at a single shift.
    QVector<quint32> crcs;
    for (const CtdbEntry& entry : entries)
        if (entry.confidence > 0)
            crcs << entry.crc;
    const QVector<int> offsets = ctdbPressingOffsets(disc, sums, crcs);
    if (offsets.size() != 1)
        return result;
    for (const CtdbEntry& entry : entries)
        if (entry.confidence > 0 && ctdbPressingOffsets(disc, sums, {entry.crc}) == offsets)
            agreeing += entry.confidence;
    result.disc = accurate(agreeing, offsets.first());
    for (CtdbVerdict& track : result.tracks)
        if (track.status != CtdbVerdict::Accurate)
            track = result.disc;
    return result;
}
