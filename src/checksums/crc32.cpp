#include "checksums/crc32.h"

#include <QtEndian>

#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#define ORVELLE_CLMUL 1
#endif

namespace {

constexpr quint32 Polynomial = 0xedb88320u;
// The register's value of the polynomial 1, and of x: bit 31 holds x^0.
constexpr quint32 One = 0x80000000u;

inline quint32 load32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}

// Eight bytes a step through eight tables.
struct CrcTables {
    quint32 table[8][256];
};

constexpr CrcTables makeCrcTables() {
    CrcTables tables{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ 0xedb88320u : c >> 1;
        tables.table[0][i] = c;
    }
    for (int slice = 1; slice < 8; ++slice)
        for (int i = 0; i < 256; ++i) {
            const quint32 previous = tables.table[slice - 1][i];
            tables.table[slice][i] = (previous >> 8) ^ tables.table[0][previous & 0xff];
        }
    return tables;
}

constexpr CrcTables Crc = makeCrcTables();

// Runs the CRC register (not inverted) over bytes.
quint32 crcUpdate(quint32 crc, const uchar* p, qint64 n) {
    const auto& t = Crc.table;
    for (; n >= 8; p += 8, n -= 8) {
        const quint32 a = load32(p) ^ crc;
        const quint32 b = load32(p + 4);
        crc = t[7][a & 0xff] ^ t[6][(a >> 8) & 0xff] ^ t[5][(a >> 16) & 0xff] ^ t[4][a >> 24] ^
              t[3][b & 0xff] ^ t[2][(b >> 8) & 0xff] ^ t[1][(b >> 16) & 0xff] ^ t[0][b >> 24];
    }
    for (; n > 0; --n, ++p)
        crc = t[0][(crc ^ *p) & 0xff] ^ (crc >> 8);
    return crc;
}

#ifdef ORVELLE_CLMUL
bool hasClmul() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (c & bit_SSE4_1);
}

// One 128-bit block folded forward over 16 or 64 bytes and added to next.
__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// The same CRC by carry-less multiplication: the data is folded, 64 bytes a
// step, into 16 bytes that leave the same remainder, which the tables
// finish. Several times the tables' speed, so checking a rip stays cheap.
__attribute__((target("pclmul,sse4.1"))) quint32 crcUpdateClmul(quint32 crc, const uchar* p,
                                                                qint64 n) {
    const auto load = [](const uchar* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // x^(512±32) and x^(128±32) modulo the polynomial, bit-reflected.
    const __m128i by64 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    const __m128i by16 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(int(crc)));
    __m128i x1 = load(p + 16);
    __m128i x2 = load(p + 32);
    __m128i x3 = load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x0 = fold(x0, by64, load(p));
        x1 = fold(x1, by64, load(p + 16));
        x2 = fold(x2, by64, load(p + 32));
        x3 = fold(x3, by64, load(p + 48));
    }
    x0 = fold(fold(fold(x0, by16, x1), by16, x2), by16, x3);
    for (; n >= 16; p += 16, n -= 16)
        x0 = fold(x0, by16, load(p));
    uchar rest[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), x0);
    return crcUpdate(crcUpdate(0, rest, 16), p, n);
}

const bool Clmul = hasClmul();
#endif

quint32 crcUpdateFast(quint32 crc, const uchar* p, qint64 n) {
#ifdef ORVELLE_CLMUL
    if (Clmul && n >= 64)
        return crcUpdateClmul(crc, p, n);
#endif
    return crcUpdate(crc, p, n);
}

// The register multiplied by x, and by the inverse of x: x has one, since
// the polynomial's constant term is 1.
constexpr quint32 timesX(quint32 reg) {
    return reg & 1 ? (reg >> 1) ^ Polynomial : reg >> 1;
}

constexpr quint32 byX(quint32 reg) {
    return reg & One ? ((reg ^ Polynomial) << 1) | 1 : reg << 1;
}

constexpr quint32 power8(bool inverse) {
    quint32 reg = One;
    for (int bit = 0; bit < 8; ++bit)
        reg = inverse ? byX(reg) : timesX(reg);
    return reg;
}

} // namespace

namespace Crc32 {

quint32 update(quint32 reg, const void* data, qint64 bytes) {
    if (!data || bytes <= 0)
        return reg;
    return crcUpdateFast(reg, static_cast<const uchar*>(data), bytes);
}

quint32 multiply(quint32 a, quint32 b) {
    quint32 product = 0;
    for (quint32 bit = One; bit != 0; bit >>= 1) {
        if (a & bit)
            product ^= b;
        b = timesX(b);
    }
    return product;
}

quint32 power(qint64 bytes) {
    quint32 result = One;
    quint32 base = power8(bytes < 0);
    for (quint64 n = bytes < 0 ? quint64(-bytes) : quint64(bytes); n != 0; n >>= 1) {
        if (n & 1)
            result = multiply(result, base);
        base = multiply(base, base);
    }
    return result;
}

quint32 shift(quint32 reg, qint64 bytes) {
    return multiply(reg, power(bytes));
}

quint32 combine(quint32 crcA, quint32 crcB, qint64 bytesB) {
    return shift(crcA, bytesB) ^ crcB;
}

} // namespace Crc32
