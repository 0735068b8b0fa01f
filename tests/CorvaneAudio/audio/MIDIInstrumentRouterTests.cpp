#include <gtest/gtest.h>

#include <algorithm>

#include "CorvaneAudio/midi/MIDIInstrumentRouter.hpp"

using namespace corvane;
using Commands = std::vector<MIDIInstrumentCommand>;

namespace {

const auto playback = MIDIEventOrigin::playback();
const auto keyboard = MIDIEventOrigin::live(7);
const auto otherKeyboard = MIDIEventOrigin::live(8);

MIDIInputMessage on(std::uint8_t note, std::uint8_t velocity = 100) { return MIDIInputMessage::NoteOn{note, velocity}; }
MIDIInputMessage off(std::uint8_t note) { return MIDIInputMessage::NoteOff{note, 0}; }
MIDIInputMessage pedal(std::uint8_t value) { return MIDIInputMessage::ControlChange{64, value}; }

TEST(MIDIInstrumentRouter, SharedKeySoundsOnceAndStopsWithItsLastOwner)
{
    MIDIInstrumentRouter router;
    EXPECT_EQ(router.route(on(60), 0, playback), Commands{MIDIInstrumentCommand::noteOn(60, 100, 0)});
    EXPECT_EQ(router.route(on(60, 90), 0, keyboard), Commands{});
    EXPECT_EQ(router.route(off(60), 0, playback), Commands{});
    EXPECT_EQ(router.route(off(60), 0, keyboard), Commands{MIDIInstrumentCommand::noteOff(60, 0)});

    // Two keyboards are two owners.
    router.route(on(62), 1, keyboard);
    router.route(on(62), 1, otherKeyboard);
    EXPECT_EQ(router.route(off(62), 1, keyboard), Commands{});
    EXPECT_EQ(router.route(off(62), 1, otherKeyboard), Commands{MIDIInstrumentCommand::noteOff(62, 1)});
}

TEST(MIDIInstrumentRouter, KeyboardRestrikesItsOwnKeyButPlaybackCountsOverlaps)
{
    MIDIInstrumentRouter router;
    router.route(on(60), 0, keyboard);
    EXPECT_EQ(router.route(on(60, 40), 0, keyboard),
              (Commands{MIDIInstrumentCommand::noteOff(60, 0), MIDIInstrumentCommand::noteOn(60, 40, 0)}));
    // The restrike reset the count: one release silences it.
    EXPECT_EQ(router.route(off(60), 0, keyboard), Commands{MIDIInstrumentCommand::noteOff(60, 0)});

    EXPECT_EQ(router.route(on(64), 0, playback).size(), 1u);
    EXPECT_EQ(router.route(on(64), 0, playback), Commands{});
    EXPECT_EQ(router.route(off(64), 0, playback), Commands{});
    EXPECT_EQ(router.route(off(64), 0, playback), Commands{MIDIInstrumentCommand::noteOff(64, 0)});
}

TEST(MIDIInstrumentRouter, ReleasesFromNonOwnersAndZeroVelocityNoteOns)
{
    MIDIInstrumentRouter router;
    EXPECT_EQ(router.route(off(60), 0, keyboard), Commands{});
    router.route(on(60), 0, playback);
    EXPECT_EQ(router.route(off(60), 0, keyboard), Commands{});
    EXPECT_EQ(router.route(on(60, 0), 0, playback), Commands{MIDIInstrumentCommand::noteOff(60, 0)});
}

TEST(MIDIInstrumentRouter, PedalOnTheInstrumentIsTheDeepestHeld)
{
    MIDIInstrumentRouter router;
    EXPECT_EQ(router.route(pedal(127), 0, keyboard), Commands{MIDIInstrumentCommand::controlChange(64, 127, 0)});
    EXPECT_EQ(router.route(pedal(100), 0, playback), Commands{});
    EXPECT_EQ(router.route(pedal(0), 0, keyboard), Commands{MIDIInstrumentCommand::controlChange(64, 100, 0)});
    EXPECT_EQ(router.route(pedal(0), 0, playback), Commands{MIDIInstrumentCommand::controlChange(64, 0, 0)});
    EXPECT_EQ(router.route(pedal(30), 0, playback), Commands{});
}

TEST(MIDIInstrumentRouter, OtherMessagesPassWithChannelAndRangeLimited)
{
    MIDIInstrumentRouter router;
    EXPECT_EQ(router.route(MIDIInputMessage::PitchBend{20000}, 18, playback),
              Commands{MIDIInstrumentCommand::pitchBend(16383, 2)});
    EXPECT_EQ(router.route(MIDIInputMessage::ControlChange{7, 90}, 3, keyboard),
              Commands{MIDIInstrumentCommand::controlChange(7, 90, 3)});
    EXPECT_EQ(router.route(MIDIInputMessage::ProgramChange{5}, 0x1F, keyboard),
              Commands{MIDIInstrumentCommand::programChange(5, 15)});
    EXPECT_EQ(router.route(on(60), 17, keyboard), Commands{MIDIInstrumentCommand::noteOn(60, 100, 1)});
}

TEST(MIDIInstrumentRouter, StoppingPlaybackLeavesWhatTheKeyboardHolds)
{
    MIDIInstrumentRouter router;
    router.route(on(60), 0, playback);
    router.route(on(60), 0, keyboard);
    router.route(on(62), 0, playback);
    router.route(on(62), 0, playback); // overlapping song notes: stopped whatever the count
    router.route(pedal(100), 0, playback);
    router.route(pedal(80), 0, keyboard);

    EXPECT_EQ(router.stop(playback),
              (Commands{MIDIInstrumentCommand::noteOff(62, 0), MIDIInstrumentCommand::controlChange(64, 80, 0)}));
    EXPECT_EQ(router.stop(playback), Commands{});
    EXPECT_EQ(router.route(off(60), 0, keyboard), Commands{MIDIInstrumentCommand::noteOff(60, 0)});
}

TEST(MIDIInstrumentRouter, StoppingLiveInputReleasesEveryKeyboard)
{
    MIDIInstrumentRouter router;
    router.route(on(60), 0, keyboard);
    router.route(on(61), 0, otherKeyboard);
    router.route(on(62), 0, playback);
    router.route(pedal(127), 2, otherKeyboard);

    auto commands = router.stopLiveInput();
    const Commands expected{MIDIInstrumentCommand::noteOff(60, 0), MIDIInstrumentCommand::noteOff(61, 0),
                            MIDIInstrumentCommand::controlChange(64, 0, 2)};
    EXPECT_EQ(commands.size(), expected.size());
    for (const auto& command : expected) EXPECT_NE(std::find(commands.begin(), commands.end(), command), commands.end());
    // The song's note still sounds and belongs to the playback.
    EXPECT_EQ(router.stop(playback), Commands{MIDIInstrumentCommand::noteOff(62, 0)});
}

TEST(MIDIInstrumentRouter, StopAllForgetsEverything)
{
    MIDIInstrumentRouter router;
    EXPECT_EQ(router.stopAll(), Commands{MIDIInstrumentCommand::allNotesOff()});
    router.route(on(60), 0, keyboard);
    router.route(pedal(127), 0, keyboard);
    EXPECT_EQ(router.stopAll(), Commands{MIDIInstrumentCommand::allNotesOff()});
    EXPECT_EQ(router.stop(keyboard), Commands{});
    // A fresh note-on sounds again: nothing of the old ownership is left.
    EXPECT_EQ(router.route(on(60), 0, playback).size(), 1u);
}

} // namespace
