#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Four-character codes of plugin kinds, as the instrument catalog assigns them.
constexpr std::uint32_t fourCharacterCode(const char (&code)[5])
{
    return (std::uint32_t(std::uint8_t(code[0])) << 24) | (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}
constexpr std::uint32_t musicDeviceComponentType = fourCharacterCode("aumu"); // instruments
constexpr std::uint32_t effectComponentType = fourCharacterCode("aufx");      // every other plugin

// Identifies one hosted plugin: its kind, and two codes derived from its URI.
struct AudioComponentDescription {
    std::uint32_t componentType = 0;
    std::uint32_t componentSubType = 0;
    std::uint32_t componentManufacturer = 0;
    std::uint32_t componentFlags = 0;
    std::uint32_t componentFlagsMask = 0;
    bool operator==(const AudioComponentDescription&) const = default;
};

// Type, subtype and manufacturer as eight upper-case hexadecimal digits each,
// joined by "-"; flags are not part of it.
std::string componentID(const AudioComponentDescription& description);

} // namespace corvane
