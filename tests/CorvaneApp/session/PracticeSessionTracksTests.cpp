// Hands and track settings as they change what the song sends.
#include <gtest/gtest.h>

#include "SessionTestSupport.hpp"
#include "VirtualMIDIDevices.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

class TracksTest : public SessionTest {
protected:
    void routeToInstrument()
    {
        ASSERT_TRUE(processEventsUntil(
            [&] {
                monitor->refresh();
                return endpointNamed(monitor->destinations(), "Tracks Synth:in") != nullptr;
            },
            5s));
        monitor->selectOutput(endpointNamed(monitor->destinations(), "Tracks Synth:in")->id);
    }
    static int count(const std::vector<RecordingMIDIInstrument::Message>& messages, std::vector<unsigned char> bytes)
    {
        return static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                              [&](const auto& m) { return m.bytes == bytes; }));
    }
};

TEST_F(TracksTest, ChangingTheHandSilencesWhatBecomesTheStudentsAndKeepsTheRest)
{
    RecordingMIDIInstrument instrument("Tracks Synth");
    routeToInstrument();
    auto& c = makeController();
    // Two held notes: 72 on the right hand's track, 48 on the left's (channels 0 and 1).
    c.loadMIDI(songs.write("held.mid", score({{{0, 16, 72}}, {{0, 16, 48}}})));
    ASSERT_TRUE(processEventsUntil([&] { return instrument.noteOns().size() >= 2; }, 5s));
    const auto before = instrument.messages().size();

    c.setPracticeMode(PracticeMode::practice);
    c.setPracticeHand(PracticeHand::right);
    processEventsFor(200ms);
    const auto after = instrument.messages();
    const std::vector<RecordingMIDIInstrument::Message> changes(after.begin() + before, after.end());
    EXPECT_GE(count(changes, {0xB0, 123, 0}), 1) << "the held notes are cut";
    EXPECT_EQ(count(changes, {0x90, 72, 100}), 0) << "the student's note stays silent";
    EXPECT_GE(count(changes, {0x91, 48, 100}), 1) << "the song's own note is struck again";

    // Track hands are exclusive: one track per hand.
    c.setTrackHand(PracticeTrackHand::right, 1);
    c.setTrackHand(PracticeTrackHand::right, 2);
    EXPECT_EQ(c.trackSetting(1).hand, PracticeTrackHand::automatic);
    EXPECT_EQ(c.trackSetting(2).hand, PracticeTrackHand::right);
    c.setTrackHand(PracticeTrackHand::left, 1);
    EXPECT_EQ(c.trackSetting(2).hand, PracticeTrackHand::right) << "another hand leaves it alone";
    EXPECT_FALSE(c.hasUnassignedPlayableTracks());
    c.setTrackHand(PracticeTrackHand::left, 7);
    EXPECT_EQ(c.trackSettings().size(), 2u) << "a track without notes takes no setting";
    EXPECT_EQ(stores->tracks.settings(c.currentSongReference()->stableID()).size(), 2u);
}

TEST_F(TracksTest, MutingAndUnmutingFollowTheHands)
{
    auto& c = makeController();
    c.loadMIDI(songs.write("trio.mid", score({{{0, 1, 72}}, {{0, 1, 60}}, {{0, 1, 48}}})));
    c.setTrackHand(PracticeTrackHand::left, 1);
    c.setTrackMuted(true, 1);
    c.muteTracksWithoutHand();
    EXPECT_FALSE(c.trackSetting(1).isMuted);
    EXPECT_TRUE(c.trackSetting(2).isMuted);
    EXPECT_TRUE(c.trackSetting(3).isMuted);
    EXPECT_EQ(c.audibleTimelineNotes().size(), 1u);
    c.unmuteAllTracks();
    EXPECT_EQ(c.audibleTimelineNotes().size(), 3u);
    EXPECT_EQ(c.trackSetting(1).hand, PracticeTrackHand::left);
    EXPECT_EQ(c.trackNoteCount(2), 1);
    EXPECT_EQ(c.trackLabel(9), "Track 10") << "a track that plays nothing is named by its index";
}

} // namespace
