#include "components/wav/wavwriter.h"

#include <algorithm>
#include <cstring>

namespace {

void put16(std::vector<unsigned char>& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(std::vector<unsigned char>& out, quint64 value) {
    const auto v = static_cast<quint32>(std::min<quint64>(value, 0xFFFFFFFFu));
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putTag(std::vector<unsigned char>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

// KSDATAFORMAT_SUBTYPE_PCM without its first two bytes (the format tag).
const unsigned char PcmSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

WavWriter::WavWriter(const QString& path, int sampleRate, int channels, int bits)
    : m_sampleRate(sampleRate), m_channels(channels), m_bits(bits) {
    m_file.create(path);
    const std::vector<unsigned char> placeholder = header(0);
    m_file.write(placeholder.data(), placeholder.size());
}

std::vector<unsigned char> WavWriter::header(quint64 dataBytes) const {
    // Samples wider than 16 bits are described the extensible way, as Windows expects.
    const bool extensible = m_bits > 16;
    const unsigned blockAlign = unsigned(m_channels * m_bits / 8);
    const unsigned formatSize = extensible ? 40 : 16;
    const quint64 padding = dataBytes % 2;
    std::vector<unsigned char> out;
    putTag(out, "RIFF");
    put32(out, 4 + 8 + formatSize + 8 + dataBytes + padding);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, formatSize);
    put16(out, extensible ? 0xFFFE : 1);
    put16(out, unsigned(m_channels));
    put32(out, quint64(m_sampleRate));
    put32(out, quint64(m_sampleRate) * blockAlign);
    put16(out, blockAlign);
    put16(out, unsigned(m_bits));
    if (extensible) {
        put16(out, 22);
        put16(out, unsigned(m_bits));
        put32(out, m_channels == 1 ? 0x4 : 0x3); // front centre, or front left and right
        put16(out, 1);
        out.insert(out.end(), PcmSubFormatTail, PcmSubFormatTail + sizeof PcmSubFormatTail);
    }
    putTag(out, "data");
    put32(out, dataBytes);
    return out;
}

void WavWriter::write(const qint16* samples, int frames) {
    const std::size_t count = std::size_t(frames) * std::size_t(m_channels);
    if (m_bits == 16) {
        // RIFF is little-endian, like the machines Orvelle runs on.
        m_file.write(samples, count * 2);
        m_dataBytes += count * 2;
        return;
    }
    m_buffer.resize(count * std::size_t(m_bits / 8));
    if (m_bits == 8) {
        for (std::size_t i = 0; i < count; ++i)
            m_buffer[i] = static_cast<unsigned char>((samples[i] >> 8) + 128);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            const qint32 wide = qint32(samples[i]) * 65536;
            std::memcpy(&m_buffer[i * 4], &wide, 4);
        }
    }
    m_file.write(m_buffer.data(), m_buffer.size());
    m_dataBytes += m_buffer.size();
}

void WavWriter::finish() {
    if (m_dataBytes % 2) {
        const unsigned char pad = 0;
        m_file.write(&pad, 1);
    }
    const std::vector<unsigned char> final = header(m_dataBytes);
    m_file.writeAt(0, final.data(), final.size());
    m_file.close();
}
