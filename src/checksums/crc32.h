#pragma once

#include <QtGlobal>

// CRC-32 as zlib computes it (reflected polynomial 0xedb88320), and the
// arithmetic on its register that lets a checksum of one stretch of audio be
// built from the checksums of its parts, or moved along the audio, without
// reading the audio again.
//
// The register here starts at 0 and is not inverted: zlib's crc32(X) is
// ~update(~0u, X). The register of A followed by B is
// shift(register(A), |B|) ^ register(B), and two stretches of one length
// differ in their CRC-32s exactly as in their registers.
namespace Crc32 {

// Runs the register over bytes: several bytes a step, by carry-less
// multiplication where the processor has it, so that it keeps up with a rip.
quint32 update(quint32 reg, const void* data, qint64 bytes);

// The register moved past `bytes` zero bytes; a negative count moves it back.
quint32 shift(quint32 reg, qint64 bytes);

// The CRC-32 of A followed by B, from the CRC-32s of both and the length of B.
quint32 combine(quint32 crcA, quint32 crcB, qint64 bytesB);

// The product of two register values modulo the polynomial.
quint32 multiply(quint32 a, quint32 b);

// x^(8 * bytes) modulo the polynomial, as a register value: what shift()
// multiplies by.
quint32 power(qint64 bytes);

} // namespace Crc32
