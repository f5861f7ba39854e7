#include "checksums/accuraterip.h"

#include "checksums/crc32.h"
#include "values/cdtoc.h"

#include <algorithm>
#include <cstring>
#include <QtEndian>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr qint64 SamplesPerFrame = ArTrackChecksum::SamplesPerFrame;
constexpr int BytesPerSample = ArTrackChecksum::BytesPerSample;
// The first and the last track leave out five frames at the disc's ends,
// where drives read least reliably.
constexpr qint64 EdgeSamples = 5 * SamplesPerFrame;
constexpr qint64 CheckFrameStart = ArTrackChecksum::CheckFrame * SamplesPerFrame;
constexpr qint64 WindowStart = ArTrackChecksum::OffsetWindowFirstFrame * SamplesPerFrame;
constexpr qint64 WindowEnd = WindowStart + ArTrackChecksum::OffsetWindowFrames * SamplesPerFrame;
static_assert(WindowStart <= CheckFrameStart - ArTrackChecksum::MaxOffset &&
                  WindowEnd >= CheckFrameStart + SamplesPerFrame + ArTrackChecksum::MaxOffset,
              "the window must hold frame 450 under every offset tried");

// A dBAR disc entry: track count, id1, id2, FreeDB ID; then per track the
// confidence, the CRC and the frame-450 CRC.
constexpr qsizetype ChunkHeaderBytes = 1 + 3 * 4;
constexpr qsizetype ChunkTrackBytes = 1 + 2 * 4;

inline quint32 load32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}

// Σ sample × k for k = 1..count: the frame checksum at one offset.
quint32 weightedSum(const uchar* p, int count) {
    quint32 sum = 0;
    for (int k = 1; k <= count; ++k, p += BytesPerSample)
        sum += load32(p) * quint32(k);
    return sum;
}

QString hex8(quint32 value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

QString damaged(const QString& why) {
    return QStringLiteral("The AccurateRip reply is damaged: %1.").arg(why);
}

} // namespace

QString AccurateRipId::text() const {
    return QStringLiteral("%1-%2-%3-%4")
        .arg(audioTracks, 3, 10, QLatin1Char('0'))
        .arg(hex8(id1), hex8(id2), hex8(freedb));
}

QString AccurateRipId::fileName() const {
    return QStringLiteral("dBAR-") + text() + QStringLiteral(".bin");
}

QString AccurateRipId::relativePath() const {
    return QStringLiteral("%1/%2/%3/")
               .arg(id1 & 0xf, 0, 16)
               .arg((id1 >> 4) & 0xf, 0, 16)
               .arg((id1 >> 8) & 0xf, 0, 16) +
           fileName();
}

AccurateRipId AccurateRipId::fromToc(const QVector<ArTocTrack>& tracks, int leadout) {
    if (tracks.isEmpty() || tracks.size() > MaxTracks)
        return {};
    QVector<int> starts;
    for (const ArTocTrack& track : tracks) {
        if (track.start < 0 || (!starts.isEmpty() && track.start <= starts.last()))
            return {};
        starts << track.start;
    }
    if (leadout <= starts.last())
        return {};

    AccurateRipId id;
    for (const ArTocTrack& track : tracks) {
        if (!track.audio)
            continue;
        ++id.audioTracks;
        id.id1 += quint32(track.start);
        id.id2 += quint32(std::max(track.start, 1)) * quint32(id.audioTracks);
    }
    if (id.audioTracks == 0)
        return {};
    id.id1 += quint32(leadout);
    id.id2 += quint32(leadout) * quint32(id.audioTracks + 1);
    // The FreeDB ID covers every track, data tracks too.
    id.freedb = CdToc(starts, leadout).discId().toUInt(nullptr, 16);
    return id;
}

ArTrackChecksum::ArTrackChecksum(qint64 totalSamples, bool firstTrack, bool lastTrack)
    : m_total(std::max<qint64>(totalSamples, 0)), m_firstCounted(firstTrack ? EdgeSamples : 1),
      m_lastCounted(lastTrack ? m_total - EdgeSamples : m_total) {}

void ArTrackChecksum::add(const char* pcm, qsizetype bytes) {
    if (!pcm || bytes <= 0)
        return;
    auto p = reinterpret_cast<const uchar*>(pcm);
    m_crc = Crc32::update(m_crc, p, bytes);
    if (m_partialBytes > 0) {
        const int take = int(std::min<qsizetype>(BytesPerSample - m_partialBytes, bytes));
        std::memcpy(m_partial + m_partialBytes, p, size_t(take));
        m_partialBytes += take;
        p += take;
        bytes -= take;
        if (m_partialBytes < BytesPerSample)
            return;
        addSamples(m_partial, 1);
        m_partialBytes = 0;
    }
    const qint64 whole = bytes / BytesPerSample;
    addSamples(p, whole);
    m_partialBytes = int(bytes % BytesPerSample);
    std::memcpy(m_partial, p + whole * BytesPerSample, size_t(m_partialBytes));
}

void ArTrackChecksum::addSamples(const uchar* pcm, qint64 count) {
    if (count <= 0)
        return;
    const qint64 first = m_samples + 1; // 1-based position of pcm's first sample

    qint64 from = std::max(first, m_firstCounted);
    qint64 to = std::min(first + count - 1, m_lastCounted);
    if (from <= to) {
        // Local sums keep the loop in registers; v2 needs the high halves of
        // the 64-bit products, and the low halves of their sum are v1.
        quint64 sum = 0;
        quint64 highSum = 0;
        const uchar* p = pcm + (from - first) * BytesPerSample;
        quint32 position = quint32(from);
        qint64 n = to - from + 1;
#ifdef __SSE2__
        // Four samples a step: two 32 x 32 -> 64-bit products per multiply.
        if (n >= 4) {
            __m128i even = _mm_set_epi64x(position + 2, position);
            __m128i odd = _mm_set_epi64x(position + 3, position + 1);
            const __m128i step = _mm_set1_epi64x(4);
            __m128i sums = _mm_setzero_si128();
            __m128i highs = _mm_setzero_si128();
            for (; n >= 4; n -= 4, p += 4 * BytesPerSample, position += 4) {
                const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                const __m128i a = _mm_mul_epu32(samples, even);
                const __m128i b = _mm_mul_epu32(_mm_srli_epi64(samples, 32), odd);
                sums = _mm_add_epi64(sums, _mm_add_epi64(a, b));
                highs = _mm_add_epi64(highs,
                                      _mm_add_epi64(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32)));
                even = _mm_add_epi64(even, step);
                odd = _mm_add_epi64(odd, step);
            }
            quint64 lanes[2];
            _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), sums);
            sum += lanes[0] + lanes[1];
            _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), highs);
            highSum += lanes[0] + lanes[1];
        }
#endif
        for (; n > 0; --n, p += BytesPerSample, ++position) {
            const quint64 product = quint64(load32(p)) * position;
            sum += product;
            highSum += product >> 32;
        }
        m_productSum += sum;
        m_productHighSum += highSum;
    }

    from = std::max(first, CheckFrameStart + 1);
    to = std::min(first + count - 1, CheckFrameStart + SamplesPerFrame);
    for (qint64 position = from; position <= to; ++position)
        m_frame450 +=
            load32(pcm + (position - first) * BytesPerSample) * quint32(position - CheckFrameStart);

    m_samples += count;
}

quint32 ArTrackChecksum::frame450() const {
    return m_total >= CheckFrameStart + SamplesPerFrame ? m_frame450 : 0;
}

QVector<ArChunk> parseDbar(const QByteArray& data, const AccurateRipId& id, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return QVector<ArChunk>();
    };
    if (!id.isValid())
        return fail(QStringLiteral("The disc has no audio tracks to check with AccurateRip."));
    if (data.isEmpty())
        return fail(damaged(QStringLiteral("it is empty")));

    QVector<ArChunk> chunks;
    auto p = reinterpret_cast<const uchar*>(data.constData());
    qsizetype left = data.size();
    while (left > 0) {
        if (left < ChunkHeaderBytes)
            return fail(damaged(QStringLiteral("it ends in the middle of a disc entry")));
        ArChunk chunk;
        chunk.trackCount = p[0];
        chunk.id1 = load32(p + 1);
        chunk.id2 = load32(p + 5);
        chunk.freedb = load32(p + 9);
        if (chunk.trackCount != id.audioTracks)
            return fail(damaged(QStringLiteral("a disc entry lists %1 tracks where the disc has %2")
                                    .arg(chunk.trackCount)
                                    .arg(id.audioTracks)));
        if (chunk.id1 != id.id1 || chunk.id2 != id.id2 || chunk.freedb != id.freedb) {
            const AccurateRipId other{chunk.trackCount, chunk.id1, chunk.id2, chunk.freedb};
            return fail(QStringLiteral("The AccurateRip reply is for another disc (%1) than this "
                                       "one (%2).")
                            .arg(other.text(), id.text()));
        }
        const qsizetype size = ChunkHeaderBytes + chunk.trackCount * ChunkTrackBytes;
        if (left < size)
            return fail(damaged(QStringLiteral("it ends in the middle of a disc entry")));
        chunk.tracks.reserve(chunk.trackCount);
        for (const uchar* t = p + ChunkHeaderBytes; t < p + size; t += ChunkTrackBytes)
            chunk.tracks << ArTrackEntry{t[0], load32(t + 1), load32(t + 5)};
        chunks << chunk;
        p += size;
        left -= size;
    }
    if (error)
        error->clear();
    return chunks;
}

QString ArVerdict::text() const {
    switch (status) {
    case Accurate:
        return QStringLiteral("accurate (confidence %1)").arg(confidence);
    case Mismatch:
        return QStringLiteral("mismatch");
    case NotInDatabase:
        return QStringLiteral("not in the database");
    case LookupFailed:
        if (!reason.isEmpty())
            return QStringLiteral("not verified: ") + reason;
        break;
    case Unknown:
        break;
    }
    return QStringLiteral("not verified");
}

ArVerdict ArVerdict::lookupFailed(const QString& why) {
    ArVerdict verdict;
    verdict.status = LookupFailed;
    verdict.reason = why;
    return verdict;
}

ArVerdict verifyTrack(const QVector<ArChunk>& chunks, int track, quint32 v1, quint32 v2) {
    ArVerdict verdict;
    if (chunks.isEmpty()) {
        verdict.status = ArVerdict::NotInDatabase;
        return verdict;
    }
    for (const ArChunk& chunk : chunks)
        if (track < 0 || track >= chunk.tracks.size())
            return verdict; // a track the entry does not list cannot be judged
    verdict.status = ArVerdict::Mismatch;
    for (const ArChunk& chunk : chunks) {
        const ArTrackEntry& entry = chunk.tracks[track];
        const bool byV1 = entry.crc == v1;
        if (entry.confidence == 0 || (!byV1 && entry.crc != v2))
            continue;
        if (verdict.status != ArVerdict::Accurate || entry.confidence > verdict.confidence) {
            verdict.status = ArVerdict::Accurate;
            verdict.confidence = entry.confidence;
            verdict.v2 = !byV1;
        }
    }
    return verdict;
}

QVector<int> findOffsets(const QVector<ArChunk>& chunks, int track, const QByteArray& pcm,
                         qint64 firstSample, const std::atomic<bool>* stop) {
    // A frame of silence sums to 0 under every offset: an entry of 0 tells nothing.
    QVector<quint32> wanted;
    for (const ArChunk& chunk : chunks) {
        if (track < 0 || track >= chunk.tracks.size())
            continue;
        const ArTrackEntry& entry = chunk.tracks[track];
        if (entry.confidence > 0 && entry.frame450 != 0)
            wanted << entry.frame450;
    }
    // Sorted, so that a reply of thousands of pressings costs a search, not a scan, per offset.
    std::sort(wanted.begin(), wanted.end());
    QVector<int> offsets;
    if (wanted.isEmpty() || firstSample < 0 ||
        firstSample > CheckFrameStart + ArTrackChecksum::MaxOffset)
        return offsets;
    const qint64 available = pcm.size() / BytesPerSample;
    const auto samples = reinterpret_cast<const uchar*>(pcm.constData());
    for (int offset = -ArTrackChecksum::MaxOffset; offset <= ArTrackChecksum::MaxOffset; ++offset) {
        if (stop && stop->load(std::memory_order_relaxed))
            break;
        const qint64 start = CheckFrameStart + offset - firstSample;
        if (start < 0 || start + SamplesPerFrame > available)
            continue;
        const quint32 sum = weightedSum(samples + start * BytesPerSample, int(SamplesPerFrame));
        if (std::binary_search(wanted.cbegin(), wanted.cend(), sum))
            offsets << offset;
    }
    return offsets;
}
