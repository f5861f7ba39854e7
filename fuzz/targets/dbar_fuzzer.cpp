#include "checksums/accuraterip.h"

#include <cstdlib>
#include <QtEndian>

// An AccurateRip reply, whatever its bytes, read for the disc its first entry
// names (so that the search gets past the identity check), judged as a rip's
// tracks would be; and the same bytes as PCM, checksummed whole and in two parts.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    AccurateRipId id;
    if (size >= 13)
        id = AccurateRipId{data[0], qFromLittleEndian<quint32>(data + 1),
                           qFromLittleEndian<quint32>(data + 5),
                           qFromLittleEndian<quint32>(data + 9)};
    QString error;
    const QVector<ArChunk> chunks = parseDbar(bytes, id, &error);
    // Either entries or a reason, never both, never neither.
    if (chunks.isEmpty() == error.isEmpty())
        std::abort();
    qsizetype read = 0;
    for (const ArChunk& chunk : chunks) {
        if (chunk.trackCount != id.audioTracks || chunk.tracks.size() != chunk.trackCount ||
            chunk.id1 != id.id1 || chunk.id2 != id.id2 || chunk.freedb != id.freedb)
            std::abort();
        read += 13 + 9 * chunk.trackCount; // the header, then nine bytes a track
    }
    if (!chunks.isEmpty() && read != bytes.size())
        std::abort();
    for (int track = -1; track <= id.audioTracks; ++track) {
        const ArVerdict verdict = verifyTrack(chunks, track, 0, 0x01020304);
        if (verdict.status == ArVerdict::Accurate && verdict.confidence == 0)
            std::abort();
        // The bytes stand in for the PCM around frame 450 as well.
        const QVector<int> offsets =
            findOffsets(chunks, track, bytes, qint64(ArTrackChecksum::CheckFrame) * 588 - 3000);
        for (int i = 0; i < offsets.size(); ++i)
            if (qAbs(offsets[i]) > ArTrackChecksum::MaxOffset ||
                (i > 0 && offsets[i] <= offsets[i - 1]))
                std::abort();
    }

    const bool first = size & 1, last = size & 2;
    const qsizetype cut = size ? qsizetype(data[size - 1] % size) : 0;
    ArTrackChecksum whole(qint64(size / 4), first, last), parts(qint64(size / 4), first, last);
    whole.add(bytes.constData(), bytes.size());
    parts.add(bytes.constData(), cut);
    parts.add(bytes.constData() + cut, bytes.size() - cut);
    if (whole.crc32() != parts.crc32() || whole.v1() != parts.v1() || whole.v2() != parts.v2() ||
        whole.samples() != parts.samples() || whole.isComplete() != (size % 4 == 0))
        std::abort();
    return 0;
}
