#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
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

// The bytes of a meta or system-exclusive event, compared by content. Up to
// eight bytes are held in place; a longer run is a view of bytes kept alive
// elsewhere: by the parsed file's tracks (MIDITrack::payloadOwner) or, for a
// run built by hand from a vector, by a pool that lasts as long as the
// program (only tests and tools build events by hand). Either way the value
// is trivially copyable, so a million events move as plain memory.
class MIDIEventBytes {
public:
    static constexpr std::size_t inlineCapacity = 8;

    MIDIEventBytes() = default;
    MIDIEventBytes(std::initializer_list<std::uint8_t> bytes) : MIDIEventBytes(kept({bytes.begin(), bytes.size()})) {}
    MIDIEventBytes(const std::vector<std::uint8_t>& bytes) : MIDIEventBytes(kept(bytes)) {}

    // Short runs are copied; a longer one is viewed, and whoever made the
    // event keeps those bytes alive as long as the event.
    static MIDIEventBytes viewing(std::span<const std::uint8_t> bytes);

    const std::uint8_t* data() const;
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size(); }
    std::uint8_t operator[](std::size_t index) const { return data()[index]; }
    operator std::span<const std::uint8_t>() const { return {data(), size()}; }

    friend bool operator==(const MIDIEventBytes& a, const MIDIEventBytes& b);

private:
    static MIDIEventBytes kept(std::span<const std::uint8_t> bytes);

    // Byte arrays only, so that the value needs no alignment: an event kind
    // then takes 16 bytes instead of 20, and a timeline event 48 instead of 56.
    std::uint8_t size_[4] = {};
    // The bytes themselves up to `inlineCapacity`, else the address of the first.
    std::uint8_t storage_[inlineCapacity] = {};
};

struct MIDIMetaEvent {
    std::uint8_t type = 0;
    MIDIEventBytes data;
    bool operator==(const MIDIMetaEvent&) const = default;
};

struct MIDISystemExclusiveEvent {
    std::uint8_t status = 0xF0; // 0xF0 or 0xF7 as it stood in the file
    MIDIEventBytes data;
    bool operator==(const MIDISystemExclusiveEvent&) const = default;
};

using MIDIEventKind = std::variant<MIDIChannelEvent, MIDIMetaEvent, MIDISystemExclusiveEvent>;

struct MIDIEvent {
    MIDIEvent() = default;
    MIDIEvent(std::uint32_t deltaTime, std::uint64_t tick, MIDIEventKind kind)
        : deltaTime(deltaTime), kind(kind), tick(tick)
    {
    }

    std::uint32_t deltaTime = 0;
    // Declared before `tick` so that it fills the gap after `deltaTime`: 32 bytes an event, not 40.
    MIDIEventKind kind;
    std::uint64_t tick = 0;

    bool operator==(const MIDIEvent&) const = default;
};

static_assert(std::is_trivially_copyable_v<MIDIEvent>);

struct MIDITrack {
    MIDITrack() = default;
    MIDITrack(std::vector<MIDIEvent> events, std::shared_ptr<const void> payloadOwner = {})
        : events(std::move(events)), payloadOwner(std::move(payloadOwner))
    {
    }

    std::vector<MIDIEvent> events;
    // Keeps alive the bytes that the long meta and system-exclusive payloads
    // of `events` view; the tracks of one parsed file share it. Not part of
    // the track's value.
    std::shared_ptr<const void> payloadOwner;

    // Display name: the first non-blank track-name meta event, decoded as
    // UTF-8 or, when that is ill-formed, as ISO 8859-1.
    std::optional<std::string> name() const;

    bool operator==(const MIDITrack& other) const { return events == other.events; }
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
