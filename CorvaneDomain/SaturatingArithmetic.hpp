#pragma once

#include <cstdint>
#include <limits>

namespace corvane {

// Counts stop at the ends of the 64-bit range instead of wrapping (signed
// overflow is undefined behaviour, and a wrapped count would be stored).
constexpr std::int64_t saturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

constexpr std::int64_t saturatingSubtract(std::int64_t a, std::int64_t b)
{
    std::int64_t difference = 0;
    if (!__builtin_sub_overflow(a, b, &difference)) return difference;
    return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

} // namespace corvane
