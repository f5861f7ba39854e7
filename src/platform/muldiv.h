#pragma once

#include <cstdint>

// a * b / c with a 64-bit product, rounded to the nearest integer (halves away
// from zero); -1 when c is 0, as the Windows helper it stands in for answers.
inline std::int64_t mulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0)
        return -1;
    const std::int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t p =
        product < 0 ? static_cast<std::uint64_t>(-product) : static_cast<std::uint64_t>(product);
    const std::uint64_t d = c < 0 ? static_cast<std::uint64_t>(-c) : static_cast<std::uint64_t>(c);
    const auto q = static_cast<std::int64_t>((p + d / 2) / d);
    return negative ? -q : q;
}
