// Any byte string must parse to a file or fail with a typed error, and any
// parsed file must give a timeline or a typed error: no crash, hang or
// unbounded allocation on the way, and the playback queries stay in range.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "CorvaneDomain/MIDICountInPlan.hpp"
#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/MIDITransport.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"

using namespace corvane;

namespace {

void exercise(const MIDITimeline& timeline)
{
    const double duration = timeline.durationSeconds();
    MIDIMeasureMap measures(timeline.tempoMap(), duration);
    // The look-ups search the markers by halving: they must ascend strictly.
    const auto& markers = measures.markers;
    for (std::size_t i = 1; i < markers.size(); ++i)
        if (!(markers[i - 1].seconds < markers[i].seconds) || !(markers[i - 1].measureNumber < markers[i].measureNumber))
            __builtin_trap();
    (void)measures.closestMarker(duration / 2);
    (void)measures.markerAtOrBefore(duration / 3);
    (void)measures.secondsAtMeasureStart(markers.back().measureNumber);
    (void)MIDICountInPlan(timeline, 0, 4, 1);

    MIDITimelineCursor cursor(timeline, 0);
    const auto count = static_cast<std::int64_t>(timeline.events().size());
    for (double t : {0.0, duration / 3, duration / 2, duration, duration + 1}) {
        auto slice = cursor.consume(timeline, t);
        if (slice.startIndex < 0 || slice.endIndex > count || slice.startIndex > slice.endIndex) __builtin_trap();
        for (const auto& event : slice) (void)MIDINoteCommand::from(event);
    }
    (void)timeline.activeNoteSpans(duration / 2);
    for (const auto& span : timeline.noteSpans())
        if (!(span.endSeconds >= span.startSeconds)) __builtin_trap();

    MIDITransport transport(timeline);
    transport.play(0);
    if (duration > 0) transport.setLoop(MIDILoopRange{0, duration}, 1);
    (void)transport.update(2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MIDIFile file;
    const std::span<const std::uint8_t> bytes(data, size);
    // Read on several threads, the tracks give the same file or the same error as read in turn.
    StandardMIDIFileParser inTurn, severalThreads;
    inTurn.parallelFromBytes = SIZE_MAX;
    severalThreads.parallelFromBytes = 0;
    std::optional<MIDIFileParseError> error;
    try {
        file = inTurn.parse(bytes);
    } catch (const MIDIFileParseError& e) {
        error = e;
    }
    try {
        const MIDIFile again = severalThreads.parse(bytes);
        if (error || !(again == file)) __builtin_trap();
    } catch (const MIDIFileParseError& e) {
        if (!error || !(e == *error)) __builtin_trap();
    }
    if (error) return 0;
    try {
        if (file.format == MIDIFileFormat::independentTracks) exercise(MIDITimeline(file, 0));
        else exercise(MIDITimeline(file));
    } catch (const MIDITempoMapError&) {
    }
    return 0;
}
