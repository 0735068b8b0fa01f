#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// The unique id of an endpoint from what names it across sessions (system,
// direction and name, joined by unit separators). FNV-1a: small, and stable
// across runs and platforms, unlike std::hash; stored choices depend on it.
inline std::int32_t midiEndpointUniqueID(const std::string& identity)
{
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : identity) {
        hash ^= c;
        hash *= 16777619u;
    }
    return static_cast<std::int32_t>(hash);
}

} // namespace corvane
