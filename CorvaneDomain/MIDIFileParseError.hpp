#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

// Why a Standard MIDI File could not be read, and where (byte offsets from
// the start of the file). Carries no user-facing text.
struct MIDIFileParseErrorCases {
    struct UnexpectedEnd {
        std::int64_t offset = 0;
        bool operator==(const UnexpectedEnd&) const = default;
    };
    struct InvalidChunk {
        std::string expected;
        std::int64_t offset = 0;
        bool operator==(const InvalidChunk&) const = default;
    };
    struct InvalidHeaderLength {
        std::uint32_t length = 0;
        bool operator==(const InvalidHeaderLength&) const = default;
    };
    struct UnsupportedFormat {
        std::uint16_t format = 0;
        bool operator==(const UnsupportedFormat&) const = default;
    };
    struct InvalidTrackCount {
        std::uint16_t format = 0;
        std::int64_t count = 0;
        bool operator==(const InvalidTrackCount&) const = default;
    };
    struct InvalidTimeDivision {
        std::uint16_t division = 0;
        bool operator==(const InvalidTimeDivision&) const = default;
    };
    struct InvalidVariableLengthQuantity {
        std::int64_t offset = 0;
        bool operator==(const InvalidVariableLengthQuantity&) const = default;
    };
    struct MissingRunningStatus {
        std::int64_t offset = 0;
        bool operator==(const MissingRunningStatus&) const = default;
    };
    struct InvalidStatus {
        std::uint8_t status = 0;
        std::int64_t offset = 0;
        bool operator==(const InvalidStatus&) const = default;
    };
    struct TickOverflow {
        std::int64_t track = 0;
        bool operator==(const TickOverflow&) const = default;
    };
    struct TrackBoundaryExceeded {
        std::int64_t track = 0;
        bool operator==(const TrackBoundaryExceeded&) const = default;
    };
    using Case = std::variant<UnexpectedEnd, InvalidChunk, InvalidHeaderLength, UnsupportedFormat,
                              InvalidTrackCount, InvalidTimeDivision, InvalidVariableLengthQuantity,
                              MissingRunningStatus, InvalidStatus, TickOverflow, TrackBoundaryExceeded>;
};

class MIDIFileParseError : public MIDIFileParseErrorCases, public TypedError<MIDIFileParseErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    MIDIFileParseError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

private:
    static std::string describe(const Case& c);
};

} // namespace corvane
