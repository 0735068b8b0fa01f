#include "CorvaneDomain/MIDIFileParseError.hpp"

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::string MIDIFileParseError::describe(const Case& c)
{
    using std::to_string;
    return std::visit(
        Overloaded{
            [](const UnexpectedEnd& e) { return "unexpectedEnd(offset: " + to_string(e.offset) + ")"; },
            [](const InvalidChunk& e) {
                return "invalidChunk(expected: " + e.expected + ", offset: " + to_string(e.offset) + ")";
            },
            [](const InvalidHeaderLength& e) { return "invalidHeaderLength(" + to_string(e.length) + ")"; },
            [](const UnsupportedFormat& e) { return "unsupportedFormat(" + to_string(e.format) + ")"; },
            [](const InvalidTrackCount& e) {
                return "invalidTrackCount(format: " + to_string(e.format) + ", count: " + to_string(e.count) + ")";
            },
            [](const InvalidTimeDivision& e) { return "invalidTimeDivision(" + to_string(e.division) + ")"; },
            [](const InvalidVariableLengthQuantity& e) {
                return "invalidVariableLengthQuantity(offset: " + to_string(e.offset) + ")";
            },
            [](const MissingRunningStatus& e) {
                return "missingRunningStatus(offset: " + to_string(e.offset) + ")";
            },
            [](const InvalidStatus& e) {
                return "invalidStatus(" + to_string(e.status) + ", offset: " + to_string(e.offset) + ")";
            },
            [](const TickOverflow& e) { return "tickOverflow(track: " + to_string(e.track) + ")"; },
            [](const TrackBoundaryExceeded& e) {
                return "trackBoundaryExceeded(track: " + to_string(e.track) + ")";
            },
        },
        c);
}

} // namespace corvane
