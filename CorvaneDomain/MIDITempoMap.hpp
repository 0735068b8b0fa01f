#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "CorvaneDomain/MIDIFile.hpp"

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

struct MIDITempoChange {
    std::uint64_t tick = 0;
    double seconds = 0;
    std::uint32_t microsecondsPerQuarterNote = 500'000;

    double beatsPerMinute() const { return 60'000'000.0 / microsecondsPerQuarterNote; }
    bool operator==(const MIDITempoChange&) const = default;
};

struct MIDITimeSignatureChange {
    std::uint64_t tick = 0;
    double seconds = 0;
    std::uint8_t numerator = 4;
    std::uint32_t denominator = 4;
    std::uint8_t clocksPerMetronomeClick = 24;
    std::uint8_t thirtySecondNotesPerQuarterNote = 8;
    bool operator==(const MIDITimeSignatureChange&) const = default;
};

struct MIDITempoMapErrorCases {
    struct TrackIndexOutOfRange {
        std::int64_t index = 0;
        bool operator==(const TrackIndexOutOfRange&) const = default;
    };
    struct InvalidTempoEvent {
        std::int64_t track = 0, event = 0;
        bool operator==(const InvalidTempoEvent&) const = default;
    };
    struct InvalidTimeSignatureEvent {
        std::int64_t track = 0, event = 0;
        bool operator==(const InvalidTimeSignatureEvent&) const = default;
    };
    struct IndependentTracksRequireTrackSelection {
        bool operator==(const IndependentTracksRequireTrackSelection&) const = default;
    };
    using Case = std::variant<TrackIndexOutOfRange, InvalidTempoEvent, InvalidTimeSignatureEvent,
                              IndependentTracksRequireTrackSelection>;
};

class MIDITempoMapError : public MIDITempoMapErrorCases, public TypedError<MIDITempoMapErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    MIDITempoMapError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

private:
    static std::string describe(const Case& c);
};

// Tempo and time-signature changes of a song with conversions between
// ticks, seconds and quarter notes. The first change of each list stands at tick 0.
class MIDITempoMap {
public:
    // All tracks; throws MIDITempoMapError (format 2 needs a track selection).
    explicit MIDITempoMap(const MIDIFile& file);
    // One track, any format; throws MIDITempoMapError.
    MIDITempoMap(const MIDIFile& file, std::int64_t trackIndex);

    const MIDITimeDivision& timeDivision() const { return timeDivision_; }
    const std::vector<MIDITempoChange>& tempoChanges() const { return tempoChanges_; }
    const std::vector<MIDITimeSignatureChange>& timeSignatureChanges() const { return timeSignatureChanges_; }

    // Each conversion finds its tempo change by halving the list. The forms
    // with `changeIndex` give the same result for values met in ascending
    // order: it keeps the tempo change reached (start it at 0; any value is
    // safe), so a walk through a whole song steps over each change about once.
    double seconds(std::uint64_t tick) const;
    double seconds(std::uint64_t tick, std::size_t& changeIndex) const;
    double tick(double seconds) const;
    double quarterNotes(double seconds) const;
    double quarterNotes(double seconds, std::size_t& changeIndex) const;
    double secondsAtQuarterNotes(double quarterNotes) const;
    double secondsAtQuarterNotes(double quarterNotes, std::size_t& changeIndex) const;

    bool operator==(const MIDITempoMap&) const = default;

private:
    MIDITempoMap(const MIDIFile& file, const std::vector<std::int64_t>& trackIndices);
    double secondsAfter(const MIDITempoChange& change, std::uint64_t tick) const;

    MIDITimeDivision timeDivision_;
    std::vector<MIDITempoChange> tempoChanges_;
    std::vector<MIDITimeSignatureChange> timeSignatureChanges_;
    // The quarter notes before each tempo change, summed segment by segment
    // in the order a walk from the start adds them, so a search gives the
    // same bits as that walk.
    std::vector<double> quarterNotesAtChange_;
};

} // namespace corvane
