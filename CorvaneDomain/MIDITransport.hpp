#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "CorvaneDomain/MIDILoopRange.hpp"
#include "CorvaneDomain/MIDITimeline.hpp"

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

enum class MIDITransportState { paused, playing };

struct MIDITransportSnapshot {
    MIDITransportState state = MIDITransportState::paused;
    double positionSeconds = 0;
    double durationSeconds = 0;
    double playbackRate = 1;
    std::optional<MIDILoopRange> loopRange;
    std::uint64_t loopIteration = 0;

    bool isAtEnd() const { return !loopRange && durationSeconds <= positionSeconds; }
    bool operator==(const MIDITransportSnapshot&) const = default;
};

struct MIDITransportErrorCases {
    struct InvalidPlaybackRate {
        double rate = 0;
        bool operator==(const InvalidPlaybackRate&) const = default;
    };
    struct InvalidPosition {
        double position = 0;
        bool operator==(const InvalidPosition&) const = default;
    };
    struct InvalidClockTime {
        double clockTime = 0;
        bool operator==(const InvalidClockTime&) const = default;
    };
    struct InvalidLoopRange {
        double start = 0, end = 0;
        bool operator==(const InvalidLoopRange&) const = default;
    };
    struct ClockMovedBackward {
        double previous = 0, current = 0;
        bool operator==(const ClockMovedBackward&) const = default;
    };
    using Case = std::variant<InvalidPlaybackRate, InvalidPosition, InvalidClockTime, InvalidLoopRange, ClockMovedBackward>;
};

// Payloads compare as doubles, so a NaN payload is never equal to itself.
class MIDITransportError : public MIDITransportErrorCases, public TypedError<MIDITransportErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    MIDITransportError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

private:
    static std::string describe(const Case& c);
};

// Playback clock of a song: anchor position plus elapsed clock time times the
// rate. Reads no clock; every call takes the caller's clock time in seconds.
// Failing calls throw MIDITransportError and leave the transport unchanged.
class MIDITransport {
public:
    MIDITransport(MIDITimeline timeline, double playbackRate = 1.0);

    const MIDITimeline& timeline() const { return timeline_; }
    double playbackRate() const { return playbackRate_; }
    const std::optional<MIDILoopRange>& loopRange() const { return loopRange_; }

    MIDITransportSnapshot snapshot(double clockTime) const;
    void play(double clockTime);
    void pause(double clockTime);
    void seek(double seconds, double clockTime);
    void setPlaybackRate(double rate, double clockTime);
    void setLoop(std::optional<MIDILoopRange> loop, double clockTime);
    // Like snapshot, and stores `paused` once playback has run out.
    MIDITransportSnapshot update(double clockTime);

    bool operator==(const MIDITransport&) const = default;

private:
    MIDITimeline timeline_;
    double playbackRate_;
    std::optional<MIDILoopRange> loopRange_;
    MIDITransportState state_ = MIDITransportState::paused;
    double anchorPositionSeconds_ = 0;
    std::optional<double> anchorClockSeconds_;
    std::uint64_t anchorLoopIteration_ = 0;
};

} // namespace corvane
