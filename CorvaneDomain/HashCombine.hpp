#pragma once

#include <cstddef>

namespace corvane {

// Mixes one more part into the hash of a composite key; the shifts make the
// result depend on the order of the parts.
constexpr void hashCombine(std::size_t& seed, std::size_t value)
{
    seed ^= value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
}

} // namespace corvane
