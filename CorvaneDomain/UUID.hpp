#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// A 128-bit identifier. Written as the canonical 36-character form in upper
// case; read in either case.
struct UUID {
    std::array<std::uint8_t, 16> bytes{};

    // A random (version 4) identifier.
    static UUID random();
    // "E621E1F8-C36C-495A-93FC-0C247A3E6E5F" in any letter case; absent for anything else.
    static std::optional<UUID> fromString(std::string_view text);
    std::string uuidString() const;

    bool operator==(const UUID&) const = default;
    auto operator<=>(const UUID&) const = default;
};

struct UUIDHash {
    std::size_t operator()(const UUID& uuid) const;
};

} // namespace corvane
