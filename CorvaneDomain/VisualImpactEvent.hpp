#pragma once

#include <cstdint>
#include <optional>

namespace corvane {

// One note landing on the stage: a flash and a burst of particles.
struct VisualImpactEvent {
    std::uint64_t sequence = 0; // rising; tells new events from those already taken
    std::uint8_t midiNote = 0;
    std::uint8_t velocity = 0;
    double hue = 0; // HSB fraction of 1
    std::optional<std::int64_t> trackIndex; // absent for a key played live

    bool operator==(const VisualImpactEvent&) const = default;
};

} // namespace corvane
