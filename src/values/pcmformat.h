#pragma once

#include <QString>
#include <QtGlobal>

// How the samples of a stream of PCM are stored.
enum class SampleType {
    Int16,   // qint16; `bits` is 8 for a source that had no more
    Int32,   // qint32 at full scale; `bits` (24 or 32) of them count, the rest are zero
    Float32, // float, full scale at ±1
};

// The layout of interleaved PCM as it passes from a source to an output: a
// lossless output keeps it, a lossy one converts it to what its encoder takes.
struct PcmFormat {
    int sampleRate = 44100;
    int channels = 2;
    SampleType type = SampleType::Int16;
    int bits = 16;
    // The speakers in channel order, as bits of WAVE_FORMAT_EXTENSIBLE's mask
    // (FFmpeg numbers them the same way); 0 when the source does not say.
    quint32 channelMask = 0;

    static PcmFormat int16(int sampleRate, int channels) {
        return {sampleRate, channels, SampleType::Int16, 16, 0};
    }

    int bytesPerSample() const { return type == SampleType::Int16 ? 2 : 4; }
    int frameBytes() const { return bytesPerSample() * channels; }
    // The speakers, or the usual ones for the channel count when the source names none.
    quint32 speakers() const;
    // "96 kHz 24-bit 5.1"; without bits for a lossy output, whose encoder has its own.
    QString text(bool withBits = true) const;

    bool operator==(const PcmFormat& other) const {
        return sampleRate == other.sampleRate && channels == other.channels && type == other.type &&
               bits == other.bits && channelMask == other.channelMask;
    }
    bool operator!=(const PcmFormat& other) const { return !(*this == other); }
};

namespace PcmText {
// What became of a source's sound on its way into an output, for the row's
// tooltip and the log: "Converted from 96 kHz 24-bit 5.1 to 44.1 kHz stereo";
// empty when the output keeps what it was given. Bits count only where the
// output keeps them (WAV, FLAC).
QString conversion(const PcmFormat& from, const PcmFormat& to, bool withBits);
} // namespace PcmText
