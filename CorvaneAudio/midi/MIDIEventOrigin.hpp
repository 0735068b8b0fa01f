#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <variant>

namespace corvane {

// Who owns a note on the instrument: one live MIDI source (by its unique id),
// or the song's playback. Two live sources are two owners.
struct MIDIEventOrigin {
    struct Live {
        std::int32_t sourceID;
        bool operator==(const Live&) const = default;
    };
    struct Playback {
        bool operator==(const Playback&) const = default;
    };
    using Value = std::variant<Live, Playback>;

    Value value;

    MIDIEventOrigin() = default;
    template <class Case>
        requires std::is_constructible_v<Value, Case>
    MIDIEventOrigin(Case c) : value(c) {}

    static MIDIEventOrigin live(std::int32_t sourceID) { return Live{sourceID}; }
    static MIDIEventOrigin playback() { return Playback{}; }

    bool isLive() const { return std::holds_alternative<Live>(value); }
    template <class Case> const Case* as() const { return std::get_if<Case>(&value); }

    bool operator==(const MIDIEventOrigin&) const = default;
};

} // namespace corvane

template <> struct std::hash<corvane::MIDIEventOrigin> {
    std::size_t operator()(const corvane::MIDIEventOrigin& origin) const noexcept
    {
        if (const auto* live = origin.as<corvane::MIDIEventOrigin::Live>())
            return std::hash<std::int64_t>{}(live->sourceID) * 2 + 1;
        return 0;
    }
};
