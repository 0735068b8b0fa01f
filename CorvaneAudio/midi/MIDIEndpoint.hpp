#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// Reference to an endpoint within one MIDI port layer; 0 is no endpoint.
using MIDIEndpointRef = std::uint32_t;

// A MIDI source (a keyboard the user plays) as listed to the user.
struct MIDIInputSource {
    std::int32_t id = 0; // stable across restarts
    MIDIEndpointRef endpoint = 0;
    std::string displayName;
    std::optional<std::string> manufacturer;
    std::optional<std::string> model;
    bool isOffline = false;
    bool operator==(const MIDIInputSource&) const = default;
};

// A MIDI destination (an external instrument the song can be sent to).
struct MIDIOutputDestination {
    std::int32_t id = 0;
    MIDIEndpointRef endpoint = 0;
    std::string displayName;
    std::optional<std::string> manufacturer;
    std::optional<std::string> model;
    bool isOffline = false;
    bool operator==(const MIDIOutputDestination&) const = default;
};

} // namespace corvane
