#include <gtest/gtest.h>

#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;

namespace {

// Division 480 at the default tempo: 960 ticks are one second.
MIDITimeline timelineOf(const std::vector<smf::Track>& tracks, std::uint16_t format = 1, std::uint16_t division = 480)
{
    return MIDITimeline(StandardMIDIFileParser{}.parse(smf::file(format, division, tracks)));
}

MIDINoteSpan span(std::uint8_t note, std::int32_t track, std::int32_t event, double start, double end,
                  std::uint8_t velocity = 100, std::uint8_t channel = 0)
{
    return MIDINoteSpan{note, velocity, channel, track, event, start, end};
}

} // namespace

TEST(MIDITimeline, PairsNotesFirstInFirstOut)
{
    auto timeline = timelineOf({smf::Track{}.noteOn(0, 60).noteOn(480, 60, 90).noteOff(480, 60).noteOff(960, 60)});
    EXPECT_EQ(timeline.noteSpans(), (std::vector<MIDINoteSpan>{span(60, 0, 0, 0.0, 1.0), span(60, 0, 1, 0.5, 2.0, 90)}));
    EXPECT_DOUBLE_EQ(timeline.durationSeconds(), 2.0);
}

TEST(MIDITimeline, ReleasesAndUnmatchedNotes)
{
    // A velocity-0 note-on releases; an unmatched note-off is ignored; a note never
    // released lasts to the end of the song, set here by a late end-of-track event.
    auto timeline = timelineOf({smf::Track{}
                                    .noteOff(0, 50)
                                    .noteOn(0, 60)
                                    .noteOn(960, 60, 0)
                                    .noteOn(0, 64)
                                    .endOfTrack(1920)});
    EXPECT_EQ(timeline.noteSpans(), (std::vector<MIDINoteSpan>{span(60, 0, 1, 0.0, 1.0), span(64, 0, 3, 1.0, 3.0)}));
    EXPECT_DOUBLE_EQ(timeline.durationSeconds(), 3.0);
}

TEST(MIDITimeline, KeysAreSeparatePerTrackAndChannel)
{
    auto timeline = timelineOf({smf::Track{}.noteOn(0, 60).noteOff(1920, 60),
                                smf::Track{}.noteOn(0, 60).noteOff(960, 60).noteOn(0, 60, 100, 1).noteOff(0, 60)});
    EXPECT_EQ(timeline.noteSpans(),
              (std::vector<MIDINoteSpan>{span(60, 0, 0, 0.0, 2.0), span(60, 1, 0, 0.0, 1.0),
                                         span(60, 1, 2, 1.0, 2.0, 100, 1)}));
}

TEST(MIDITimeline, AReleaseAtTheSameTickClosesOnlyALaterNoteOn)
{
    auto earlierRelease = timelineOf({smf::Track{}.noteOff(0, 60).noteOn(0, 60).endOfTrack(960)});
    EXPECT_EQ(earlierRelease.noteSpans(), (std::vector<MIDINoteSpan>{span(60, 0, 1, 0.0, 1.0)}));
    auto laterRelease = timelineOf({smf::Track{}.noteOn(0, 60).noteOff(0, 60).endOfTrack(960)});
    EXPECT_EQ(laterRelease.noteSpans(), (std::vector<MIDINoteSpan>{span(60, 0, 0, 0.0, 0.0)}));
    EXPECT_TRUE(laterRelease.activeNoteSpans(0.0).empty());
}

TEST(MIDITimeline, OrdersEventsByTickThenTrackThenIndex)
{
    auto timeline = timelineOf({smf::Track{}.noteOn(480, 62).noteOn(0, 63), smf::Track{}.noteOn(0, 40).noteOn(480, 41)});
    std::vector<std::pair<std::int64_t, std::int64_t>> order;
    for (const auto& e : timeline.events()) order.emplace_back(e.trackIndex, e.eventIndex);
    EXPECT_EQ(order, (std::vector<std::pair<std::int64_t, std::int64_t>>{{1, 0}, {0, 0}, {0, 1}, {1, 1}}));
    EXPECT_DOUBLE_EQ(timeline.events()[1].seconds, 0.5);
    EXPECT_EQ(timeline, timelineOf({smf::Track{}.noteOn(480, 62).noteOn(0, 63), smf::Track{}.noteOn(0, 40).noteOn(480, 41)}));
}

TEST(MIDITimeline, SecondsMatchTheTempoMapForEveryDivision)
{
    auto smpte = timelineOf({smf::Track{}.noteOn(500, 60)}, 1, 0xE728);
    EXPECT_DOUBLE_EQ(smpte.events()[0].seconds, 0.5);
    auto tempo = timelineOf({smf::Track{}.tempo(480, 1'000'000).noteOn(333, 60).noteOff(777, 60)});
    for (const auto& e : tempo.events()) EXPECT_EQ(e.seconds, tempo.tempoMap().seconds(e.tick));
}

TEST(MIDITimeline, ActiveSpansExcludeBothEnds)
{
    auto timeline = timelineOf({smf::Track{}.noteOn(0, 60).noteOff(960, 60).noteOn(0, 62).noteOff(960, 62)});
    EXPECT_TRUE(timeline.activeNoteSpans(0.0).empty());
    EXPECT_EQ(timeline.activeNoteSpans(0.5), (std::vector<MIDINoteSpan>{span(60, 0, 0, 0.0, 1.0)}));
    EXPECT_TRUE(timeline.activeNoteSpans(1.0).empty());
    EXPECT_EQ(timeline.activeNoteSpans(1.5).size(), 1u);
}

TEST(MIDITimeline, ActiveSpansLateInALongSongKeepTheNoteHeldFromTheStart)
{
    // A pedal held for 2,000 beats in one track, under a sixteenth every beat in another.
    smf::Track pedal;
    pedal.noteOn(0, 36).noteOff(960'000, 36);
    smf::Track melody;
    for (int i = 0; i < 2'000; ++i) melody.noteOn(i == 0 ? 0 : 360, 72).noteOff(120, 72);
    const auto timeline = timelineOf({pedal, melody});
    const auto active = timeline.activeNoteSpans(900.1); // 120 bpm: beat 1800, inside its sixteenth
    ASSERT_EQ(active.size(), 2u);
    EXPECT_EQ(active[0].note, 36);
    EXPECT_EQ(active[1].note, 72);
    EXPECT_DOUBLE_EQ(active[1].startSeconds, 900.0);
    EXPECT_EQ(timeline.activeNoteSpans(900.3).size(), 1u) << "between sixteenths only the pedal";
}

TEST(MIDITimeline, PendingEventsAndCursor)
{
    // Events at 0, 0.5, 1.0, 1.0, 2.0 seconds.
    auto timeline = timelineOf({smf::Track{}.noteOn(0, 60).noteOn(480, 61).noteOn(480, 62).noteOn(0, 63).noteOn(960, 64)});
    EXPECT_EQ(timeline.firstEventIndex(1.0), 2);
    EXPECT_EQ(timeline.firstEventIndex(9.0), 5);

    auto fromNegative = timeline.pendingEvents(-5, 0.5);
    EXPECT_EQ(fromNegative.startIndex, 0);
    EXPECT_EQ(fromNegative.size(), 2u);
    EXPECT_EQ(timeline.pendingEvents(2, 1.0).size(), 2u); // both events at exactly 1.0
    EXPECT_TRUE(timeline.pendingEvents(9, 5.0).empty());
    EXPECT_TRUE(timeline.pendingEvents(4, 1.0).empty());
    EXPECT_EQ(*timeline.pendingEvents(1, 2.0).begin(), timeline.events()[1]);

    MIDITimelineCursor cursor(timeline, 1.0);
    EXPECT_EQ(cursor.eventIndex, 2);
    auto due = cursor.consume(timeline, 1.0);
    EXPECT_EQ(due.size(), 2u);
    EXPECT_EQ(cursor.eventIndex, 4);
    EXPECT_TRUE(cursor.consume(timeline, 1.5).empty());
    EXPECT_EQ(cursor.consume(timeline, 10.0).size(), 1u);
    cursor.seek(timeline, 0.25);
    EXPECT_EQ(cursor.eventIndex, 1);

    MIDITimeline empty = timelineOf({smf::Track{}});
    EXPECT_TRUE(empty.pendingEvents(0, 1.0).empty());
    EXPECT_EQ(MIDITimelineCursor(empty, 0.0).eventIndex, 0);
    EXPECT_EQ(empty.durationSeconds(), 0.0);
}

TEST(MIDITimeline, NoteCommands)
{
    auto timeline = timelineOf({smf::Track{}.noteOn(0, 60, 90, 2).noteOn(0, 60, 0, 2).noteOff(0, 61, 5, 3).event(0, {0xB0, 64, 127}).endOfTrack()});
    const auto& e = timeline.events();
    EXPECT_EQ(MIDINoteCommand::from(e[0]), (MIDINoteCommand{2, MIDINoteAction::On{60, 90}}));
    EXPECT_EQ(MIDINoteCommand::from(e[1]), (MIDINoteCommand{2, MIDINoteAction::Off{60}}));
    EXPECT_EQ(MIDINoteCommand::from(e[2]), (MIDINoteCommand{3, MIDINoteAction::Off{61}}));
    EXPECT_EQ(MIDINoteCommand::from(e[3]), std::nullopt);
    EXPECT_EQ(MIDINoteCommand::from(e[4]), std::nullopt);
}

TEST(MIDITimeline, FormatTwoNeedsOneTrack)
{
    auto file = StandardMIDIFileParser{}.parse(
        smf::file(2, 480, {smf::Track{}.noteOn(0, 60).noteOff(960, 60), smf::Track{}.noteOn(0, 70).noteOff(480, 70)}));
    EXPECT_THROW(MIDITimeline{file}, MIDITempoMapError);
    MIDITimeline second(file, 1);
    EXPECT_EQ(second.noteSpans(), (std::vector<MIDINoteSpan>{span(70, 1, 0, 0.0, 0.5)}));
    EXPECT_DOUBLE_EQ(second.durationSeconds(), 0.5);
    EXPECT_THROW(MIDITimeline(file, 5), MIDITempoMapError);
}

TEST(MIDITimeline, PendingEventsAgreeWithAPlainScan)
{
    smf::Track track;
    for (int i = 0; i < 300; ++i) track.noteOn(static_cast<std::uint32_t>((i * 37) % 5 == 0 ? 0 : (i * 13) % 200), 60);
    auto timeline = timelineOf({track, smf::Track{}.noteOn(100, 61).noteOn(1000, 62)});
    const auto& events = timeline.events();
    const auto count = static_cast<std::int64_t>(events.size());
    for (std::int64_t start = -2; start <= count + 1; start += 7) {
        for (double t = -0.5; t < timeline.durationSeconds() + 0.5; t += 0.173) {
            const std::int64_t begin = std::clamp<std::int64_t>(start, 0, count);
            std::int64_t end = 0;
            while (end < count && events[static_cast<std::size_t>(end)].seconds <= t) ++end;
            end = std::max(end, begin);
            auto slice = timeline.pendingEvents(start, t);
            ASSERT_EQ(slice.startIndex, begin);
            ASSERT_EQ(slice.endIndex, end) << "start " << start << " through " << t;
            ASSERT_EQ(static_cast<std::int64_t>(slice.size()), end - begin);
        }
    }
}

TEST(MIDITimeline, HandBuiltTracksOutOfTickOrderAreSorted)
{
    auto noteOn = [](std::uint64_t tick, std::uint8_t note) {
        return MIDIEvent{0, tick, MIDIChannelEvent{0, MIDIChannelMessage::NoteOn{note, 100}}};
    };
    MIDIFile file{MIDIFileFormat::simultaneousTracks, MIDITimeDivision::ticksPerQuarterNote(480),
                  {MIDITrack{{noteOn(960, 1), noteOn(0, 2)}}, MIDITrack{{noteOn(480, 3)}}}};
    MIDITimeline timeline(file);
    std::vector<std::uint64_t> ticks;
    for (const auto& e : timeline.events()) ticks.push_back(e.tick);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{0, 480, 960}));
    EXPECT_EQ(timeline.events()[0].eventIndex, 1);
    EXPECT_DOUBLE_EQ(timeline.durationSeconds(), 1.0);
}
