#include "components/ffmpeg/realmediatimes.h"

#include "components/componenterror.h"

#include <cstring>
#include <QFile>
#include <QList>
#include <QtEndian>

namespace RealMediaTimes {

namespace {

// Offsets of the durations in the "PROP" and "MDPR" chunks, and of the packet
// count and the first packet in "DATA", from the start of the chunk.
constexpr qint64 PropDuration = 30;
constexpr qint64 MdprDuration = 36;
constexpr qint64 DataPacketCount = 10;
constexpr qint64 DataFirstPacket = 18;
constexpr qint64 PacketTime = 6;
constexpr qint64 PacketHeaderSize = 12;

} // namespace

void stamp(const QString& path, int frameSize, int sampleRate) {
    QFile file(path);
    const qint64 size = file.size();
    uchar* bytes = file.open(QIODevice::ReadWrite) ? file.map(0, size) : nullptr;
    if (!bytes)
        throw ComponentError(QStringLiteral("Cannot finish %1: %2.").arg(path, file.errorString()));
    auto timeOf = [&](qint64 packets) {
        return quint32((packets * frameSize * 1000 + sampleRate / 2) / sampleRate);
    };
    qint64 propAt = -1;
    QList<qint64> streamHeaders;
    for (qint64 at = 0; at + 8 <= size;) {
        const char* id = reinterpret_cast<const char*>(bytes + at);
        const qint64 chunkSize = qFromBigEndian<quint32>(bytes + at + 4);
        if (std::memcmp(id, "PROP", 4) == 0 && at + PropDuration + 4 <= size)
            propAt = at;
        else if (std::memcmp(id, "MDPR", 4) == 0 && at + MdprDuration + 4 <= size)
            streamHeaders << at;
        else if (std::memcmp(id, "DATA", 4) == 0 && at + DataFirstPacket <= size) {
            const quint32 packets = qFromBigEndian<quint32>(bytes + at + DataPacketCount);
            qint64 packet = at + DataFirstPacket;
            quint32 n = 0;
            for (; n < packets && packet + PacketHeaderSize <= size; ++n) {
                qToBigEndian<quint32>(timeOf(n), bytes + packet + PacketTime);
                const qint64 length = qFromBigEndian<quint16>(bytes + packet + 2);
                if (length < PacketHeaderSize)
                    break;
                packet += length;
            }
            const quint32 duration = timeOf(n);
            if (propAt >= 0)
                qToBigEndian<quint32>(duration, bytes + propAt + PropDuration);
            for (qint64 header : streamHeaders)
                qToBigEndian<quint32>(duration, bytes + header + MdprDuration);
            file.unmap(bytes);
            return;
        }
        if (chunkSize < 8)
            break;
        at += chunkSize;
    }
    file.unmap(bytes);
    throw ComponentError(QStringLiteral("Cannot finish %1: it is no RealMedia file.").arg(path));
}

} // namespace RealMediaTimes
