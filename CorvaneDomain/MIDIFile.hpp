#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corvane {

enum class MIDIFileFormat : std::uint16_t {
    singleTrack = 0,
    simultaneousTracks = 1,
    independentTracks = 2,
};

std::optional<MIDIFileFormat> midiFileFormat(std::uint16_t rawValue);
constexpr std::uint16_t rawValue(MIDIFileFormat format) { return static_cast<std::uint16_t>(format); }

enum class MIDIFramesPerSecond { fps24, fps25, dropFrame30, fps30 };

// Frames per second of a time-code division; drop-frame 30 is 30000/1001.
double frameRate(MIDIFramesPerSecond framesPerSecond);

struct MIDITimeDivision {
    struct TicksPerQuarterNote {
        std::uint16_t ticks;
        bool operator==(const TicksPerQuarterNote&) const = default;
    };
    struct SMPTE {
        MIDIFramesPerSecond framesPerSecond;
        std::uint8_t ticksPerFrame;
        bool operator==(const SMPTE&) const = default;
    };
    using Value = std::variant<TicksPerQuarterNote, SMPTE>;

    Value value;

    MIDITimeDivision(TicksPerQuarterNote v) : value(v) {}
    MIDITimeDivision(SMPTE v) : value(v) {}
    static MIDITimeDivision ticksPerQuarterNote(std::uint16_t ticks) { return TicksPerQuarterNote{ticks}; }
    static MIDITimeDivision smpte(MIDIFramesPerSecond fps, std::uint8_t ticksPerFrame) { return SMPTE{fps, ticksPerFrame}; }

    bool operator==(const MIDITimeDivision&) const = default;
};

struct MIDIChannelMessage {
    struct NoteOff {
        std::uint8_t note, velocity;
        bool operator==(const NoteOff&) const = default;
    };
    struct NoteOn {
        std::uint8_t note, velocity;
        bool operator==(const NoteOn&) const = default;
    };
    struct PolyphonicKeyPressure {
        std::uint8_t note, pressure;
        bool operator==(const PolyphonicKeyPressure&) const = default;
    };
    struct ControlChange {
        std::uint8_t controller, value;
        bool operator==(const ControlChange&) const = default;
    };
    struct ProgramChange {
        std::uint8_t program;
        bool operator==(const ProgramChange&) const = default;
    };
    struct ChannelPressure {
        std::uint8_t pressure;
        bool operator==(const ChannelPressure&) const = default;
    };
    struct PitchBend {
        std::uint16_t value; // 0...16383
        bool operator==(const PitchBend&) const = default;
    };
    using Value = std::variant<NoteOff, NoteOn, PolyphonicKeyPressure, ControlChange, ProgramChange,
                               ChannelPressure, PitchBend>;

    Value value;

    MIDIChannelMessage() = default;
    template <class Case>
        requires std::is_constructible_v<Value, Case>
    MIDIChannelMessage(Case c) : value(std::move(c)) {}

    template <class Case> const Case* as() const { return std::get_if<Case>(&value); }

    bool operator==(const MIDIChannelMessage&) const = default;
};

struct MIDIChannelEvent {
    std::uint8_t channel = 0; // 0...15
    MIDIChannelMessage message;
    bool operator==(const MIDIChannelEvent&) const = default;
};

struct MIDIMetaEvent {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const MIDIMetaEvent&) const = default;
};

struct MIDISystemExclusiveEvent {
    std::uint8_t status = 0xF0; // 0xF0 or 0xF7 as it stood in the file
    std::vector<std::uint8_t> data;
    bool operator==(const MIDISystemExclusiveEvent&) const = default;
};

using MIDIEventKind = std::variant<MIDIChannelEvent, MIDIMetaEvent, MIDISystemExclusiveEvent>;

struct MIDIEvent {
    std::uint32_t deltaTime = 0;
    std::uint64_t tick = 0;
    MIDIEventKind kind;
    bool operator==(const MIDIEvent&) const = default;
};

struct MIDITrack {
    std::vector<MIDIEvent> events;

    // Display name: the first non-blank track-name meta event, decoded as
    // UTF-8 or, when that is ill-formed, as ISO 8859-1.
    std::optional<std::string> name() const;

    bool operator==(const MIDITrack&) const = default;
};

struct MIDIFile {
    MIDIFileFormat format = MIDIFileFormat::singleTrack;
    MIDITimeDivision timeDivision = MIDITimeDivision::ticksPerQuarterNote(480);
    std::vector<MIDITrack> tracks;
    bool operator==(const MIDIFile&) const = default;
};

// 0, 1, ... up to the number of tracks: every track, in file order.
std::vector<std::int64_t> allTrackIndices(const MIDIFile& file);

} // namespace corvane
