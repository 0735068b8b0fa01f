#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "CorvaneDomain/MIDITimeline.hpp"

using namespace corvane;

namespace {

using M = MIDIChannelMessage;

MIDIEvent at(std::uint64_t tick, MIDIEventKind kind) { return MIDIEvent{0, tick, kind}; }

MIDIMetaEvent tempo(std::uint32_t microseconds)
{
    return MIDIMetaEvent{0x51, {std::uint8_t(microseconds >> 16), std::uint8_t(microseconds >> 8),
                                std::uint8_t(microseconds)}};
}

} // namespace

// The timeline keeps its events in narrow fields; what it hands back must be
// every value as it stood, at the edges of each field and past 32-bit ticks.
TEST(MIDITimelinePacking, EveryEventComesBackWhole)
{
    const std::uint64_t far = (std::uint64_t(1) << 32) + 480;
    const std::vector<std::uint8_t> longSysEx{0x7E, 0x7F, 0x09, 0x01, 0x10, 0x20, 0x30, 0x40, 0x50, 0xF7};
    const std::vector<MIDIEvent> events{
        at(0, tempo(500'000)),
        at(0, MIDIChannelEvent{15, M::NoteOn{127, 127}}),
        at(0, MIDIChannelEvent{200, M::PitchBend{16383}}), // a channel no file holds, built by hand
        at(480, MIDIChannelEvent{3, M::PolyphonicKeyPressure{1, 2}}),
        at(480, MIDIChannelEvent{4, M::ControlChange{64, 127}}),
        at(480, tempo(250'000)),
        at(960, MIDIChannelEvent{5, M::ProgramChange{127}}),
        at(960, MIDIChannelEvent{6, M::ChannelPressure{90}}),
        at(960, MIDIChannelEvent{15, M::NoteOff{127, 64}}),
        at(1440, MIDIChannelEvent{0, M::PitchBend{0}}),
        at(far, MIDIChannelEvent{0, M::NoteOn{60, 1}}),
        at(far + 480, MIDISystemExclusiveEvent{0xF0, longSysEx}),
        at(far + 480, MIDIChannelEvent{0, M::NoteOff{60, 0}}),
    };
    const MIDIFile file{MIDIFileFormat::singleTrack, MIDITimeDivision::ticksPerQuarterNote(480), {MIDITrack{events}}};
    const MIDITimeline timeline(file);
    const auto& map = timeline.tempoMap();
    ASSERT_EQ(map.tempoChanges().size(), 2u);

    ASSERT_EQ(timeline.events().size(), events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        const MIDITimelineEvent expected{events[i].tick, map.seconds(events[i].tick), 0, std::int64_t(i), events[i].kind};
        EXPECT_EQ(timeline.events()[i], expected) << "event " << i;
        // Read in order from any start, the tempo walk gives the same seconds as a lookup.
        std::size_t j = i;
        for (const auto& event : timeline.pendingEvents(std::int64_t(i), map.seconds(far + 480)))
            EXPECT_EQ(event, timeline.events()[j++]) << "from " << i;
        EXPECT_EQ(j, events.size());
    }
    EXPECT_EQ(timeline.firstEventIndex(map.seconds(far)), 10);

    EXPECT_EQ(timeline.noteSpans(),
              (std::vector<MIDINoteSpan>{{127, 127, 15, 0, 1, 0.0, map.seconds(960)},
                                         {60, 1, 0, 0, 10, map.seconds(far), map.seconds(far + 480)}}));
    EXPECT_DOUBLE_EQ(timeline.durationSeconds(), map.seconds(far + 480));
}

// A file holds up to 65,535 tracks; one built by hand may hold more. Track
// indices past 16 bits keep their value in events and spans alike.
TEST(MIDITimelinePacking, TrackIndicesPastSixteenBits)
{
    constexpr std::size_t trackCount = 65'540;
    MIDIFile file{MIDIFileFormat::simultaneousTracks, MIDITimeDivision::ticksPerQuarterNote(480), {}};
    file.tracks.reserve(trackCount);
    for (std::size_t t = 0; t < trackCount; ++t)
        file.tracks.push_back(MIDITrack{{at(t, MIDIChannelEvent{0, M::NoteOn{60, 100}})}});
    const MIDITimeline timeline(file);

    ASSERT_EQ(timeline.events().size(), trackCount);
    ASSERT_EQ(timeline.noteSpans().size(), trackCount);
    std::size_t t = 0;
    for (const auto& event : timeline.events()) {
        ASSERT_EQ(event.trackIndex, std::int64_t(t));
        ASSERT_EQ(event.tick, t);
        ASSERT_EQ(event.eventIndex, 0);
        ASSERT_EQ(timeline.noteSpans()[t].trackIndex, std::int32_t(t));
        ++t;
    }
    const auto last = timeline.pendingEvents(65'535, timeline.durationSeconds());
    ASSERT_EQ(last.size(), 5u);
    EXPECT_EQ(last.begin()[4].trackIndex, 65'539);
}
