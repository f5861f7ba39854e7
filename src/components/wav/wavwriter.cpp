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

constexpr unsigned FormatPcm = 1;
constexpr unsigned FormatFloat = 3;
constexpr unsigned FormatExtensible = 0xFFFE;

// KSDATAFORMAT_SUBTYPE_PCM and _IEEE_FLOAT without their first two bytes (the format tag).
const unsigned char SubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

WavWriter::WavWriter(const QString& path, const PcmFormat& format) : m_format(format) {
    m_file.create(path);
    const std::vector<unsigned char> placeholder = header(0);
    m_file.write(placeholder.data(), placeholder.size());
}

int WavWriter::bytesPerSample() const {
    return m_format.bits / 8;
}

std::vector<unsigned char> WavWriter::header(quint64 dataBytes) const {
    const bool floating = m_format.type == SampleType::Float32;
    // Wider samples and more speakers are described the extensible way, as Windows expects.
    const bool extensible = m_format.bits > 16 || m_format.channels > 2 || floating;
    const unsigned blockAlign = unsigned(m_format.channels * bytesPerSample());
    const unsigned formatSize = extensible ? 40 : 16;
    const quint64 padding = dataBytes % 2;
    std::vector<unsigned char> out;
    putTag(out, "RIFF");
    put32(out, 4 + 8 + formatSize + 8 + dataBytes + padding);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, formatSize);
    put16(out, extensible ? FormatExtensible : FormatPcm);
    put16(out, unsigned(m_format.channels));
    put32(out, quint64(m_format.sampleRate));
    put32(out, quint64(m_format.sampleRate) * blockAlign);
    put16(out, blockAlign);
    put16(out, unsigned(m_format.bits));
    if (extensible) {
        put16(out, 22);
        put16(out, unsigned(m_format.bits)); // valid bits: all that are stored
        put32(out, m_format.speakers());
        put16(out, floating ? FormatFloat : FormatPcm);
        out.insert(out.end(), SubFormatTail, SubFormatTail + sizeof SubFormatTail);
    }
    putTag(out, "data");
    put32(out, dataBytes);
    return out;
}

void WavWriter::write(const void* pcm, int frames) {
    const std::size_t count = std::size_t(frames) * std::size_t(m_format.channels);
    // RIFF is little-endian, like the machines Orvelle runs on: samples stored
    // as they come need no copy.
    if (m_format.bits == 16 || m_format.bits == 32) {
        m_file.write(pcm, count * std::size_t(bytesPerSample()));
        m_dataBytes += count * std::size_t(bytesPerSample());
        return;
    }
    m_buffer.resize(count * std::size_t(bytesPerSample()));
    if (m_format.bits == 8) {
        const auto* samples = static_cast<const qint16*>(pcm);
        for (std::size_t i = 0; i < count; ++i)
            m_buffer[i] = static_cast<unsigned char>((samples[i] >> 8) + 128);
    } else {
        // 24 bits: the top three bytes of each full-scale 32-bit sample.
        const auto* samples = static_cast<const unsigned char*>(pcm);
        for (std::size_t i = 0; i < count; ++i)
            std::memcpy(&m_buffer[i * 3], samples + i * 4 + 1, 3);
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
