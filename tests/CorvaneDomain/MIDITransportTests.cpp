#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "CorvaneDomain/MIDITransport.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;
using Error = MIDITransportError;
using State = MIDITransportState;

namespace {

// A song of `seconds` length (division 480, 120 bpm).
MIDITimeline songOf(double seconds)
{
    const auto ticks = static_cast<std::uint32_t>(seconds * 960);
    return MIDITimeline(StandardMIDIFileParser{}.parse(smf::file(1, 480, {smf::Track{}.noteOn(0, 60).noteOff(ticks, 60)})));
}

template <class F> Error errorOf(F&& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return Error(Error::InvalidClockTime{0});
}

} // namespace

TEST(MIDITransport, StartsPausedAtZeroAndValidatesRates)
{
    MIDITransport transport(songOf(20));
    auto s = transport.snapshot(12345.0);
    EXPECT_EQ(s, (MIDITransportSnapshot{State::paused, 0, 20, 1, std::nullopt, 0}));

    for (double rate : {0.0, -1.0, double(INFINITY), double(NAN)}) {
        auto e = errorOf([&] { MIDITransport(songOf(1), rate); });
        ASSERT_TRUE(e.as<Error::InvalidPlaybackRate>());
        if (!std::isnan(rate)) {
            EXPECT_EQ(e.as<Error::InvalidPlaybackRate>()->rate, rate);
        }
    }
    EXPECT_NO_THROW(MIDITransport(songOf(1), 0.001));
    EXPECT_NO_THROW(MIDITransport(songOf(1), 10));
    EXPECT_TRUE(errorOf([&] { transport.snapshot(NAN); }).as<Error::InvalidClockTime>());
}

TEST(MIDITransport, PositionFollowsClockTimesRate)
{
    MIDITransport transport(songOf(20), 0.5);
    transport.seek(10, 0);
    transport.play(100);
    EXPECT_DOUBLE_EQ(transport.snapshot(104).positionSeconds, 12);
    EXPECT_EQ(transport.snapshot(104).state, State::playing);

    // Playing refuses a clock that went backwards; paused does not care.
    EXPECT_EQ(errorOf([&] { transport.snapshot(99); }), Error(Error::ClockMovedBackward{100, 99}));
    transport.pause(104);
    EXPECT_DOUBLE_EQ(transport.snapshot(1).positionSeconds, 12);
}

TEST(MIDITransport, RunsOutAtTheEndAndRestartsFromZero)
{
    MIDITransport transport(songOf(4));
    transport.play(0);
    auto s = transport.snapshot(10);
    EXPECT_EQ(s.state, State::paused);
    EXPECT_DOUBLE_EQ(s.positionSeconds, 4);
    EXPECT_TRUE(s.isAtEnd());

    transport.update(10);
    transport.play(11);
    EXPECT_DOUBLE_EQ(transport.snapshot(12).positionSeconds, 1);
    EXPECT_EQ(transport.snapshot(12).loopIteration, 0u);

    // Play on a song of no length does nothing.
    MIDITransport empty(songOf(0));
    empty.play(0);
    EXPECT_EQ(empty.snapshot(5).state, State::paused);
}

TEST(MIDITransport, LoopsWrapAndCountPasses)
{
    MIDITransport transport(songOf(10));
    transport.setLoop(MIDILoopRange{2, 4}, 0);
    transport.seek(3, 0);
    transport.play(0);
    auto first = transport.snapshot(1);
    EXPECT_DOUBLE_EQ(first.positionSeconds, 2);
    EXPECT_EQ(first.loopIteration, 1u);
    auto later = transport.snapshot(5.5);
    EXPECT_DOUBLE_EQ(later.positionSeconds, 2.5);
    EXPECT_EQ(later.loopIteration, 3u);
    EXPECT_FALSE(later.isAtEnd());

    // A rate change mid-loop keeps the position and the passes, then runs at the new rate.
    const auto before = transport.snapshot(5.5);
    transport.setPlaybackRate(2, 5.5);
    auto after = transport.snapshot(5.5);
    EXPECT_EQ(after.positionSeconds, before.positionSeconds);
    EXPECT_EQ(after.loopIteration, before.loopIteration);
    EXPECT_EQ(after.playbackRate, 2);
    auto fast = transport.snapshot(6.5); // 2.5 + 2 s of song: one more pass, at 2.5
    EXPECT_DOUBLE_EQ(fast.positionSeconds, 2.5);
    EXPECT_EQ(fast.loopIteration, 4u);

    transport.setPlaybackRate(0.25, 6.5);
    auto slow = transport.snapshot(10.5); // + 1 s of song
    EXPECT_DOUBLE_EQ(slow.positionSeconds, 3.5);
    EXPECT_EQ(slow.loopIteration, 4u);

    // Pausing carries the pass count; seeking resets it.
    transport.pause(10.5);
    EXPECT_EQ(transport.snapshot(11).loopIteration, 4u);
    transport.seek(3, 11);
    EXPECT_EQ(transport.snapshot(11).loopIteration, 0u);
}

TEST(MIDITransport, SeeksAreBounded)
{
    MIDITransport transport(songOf(10));
    transport.seek(-5, 0);
    EXPECT_EQ(transport.snapshot(0).positionSeconds, 0);
    transport.play(0);
    transport.seek(50, 1);
    EXPECT_EQ(transport.snapshot(2), (MIDITransportSnapshot{State::paused, 10, 10, 1, std::nullopt, 0}));

    transport.setLoop(MIDILoopRange{2, 4}, 2);
    transport.play(2);
    transport.seek(4, 3);
    auto s = transport.snapshot(3);
    EXPECT_EQ(s.positionSeconds, 2);
    EXPECT_EQ(s.state, State::playing);
    EXPECT_TRUE(errorOf([&] { transport.seek(NAN, 3); }).as<Error::InvalidPosition>());
    EXPECT_EQ(errorOf([&] { transport.seek(INFINITY, 3); }), Error(Error::InvalidPosition{INFINITY}));
}

TEST(MIDITransport, LoopValidationLeavesTheTransportUnchanged)
{
    MIDITransport transport(songOf(10));
    transport.seek(7, 0);
    transport.play(0);
    const MIDITransport before = transport;
    for (auto loop : {MIDILoopRange{3, 3}, MIDILoopRange{-1, 3}, MIDILoopRange{1, double(INFINITY)}, MIDILoopRange{1, 10.5},
                      MIDILoopRange{double(NAN), 3}}) {
        auto e = errorOf([&] { transport.setLoop(loop, 1); });
        EXPECT_TRUE(e.as<Error::InvalidLoopRange>());
        EXPECT_EQ(transport, before);
    }
    EXPECT_TRUE(errorOf([&] { transport.setLoop(MIDILoopRange{1, 2}, -1); }).as<Error::ClockMovedBackward>());
    EXPECT_EQ(transport, before);

    // Setting a loop that ends before the position moves to its start; clearing keeps the position.
    transport.setLoop(MIDILoopRange{1, 10}, 1);
    EXPECT_EQ(transport.snapshot(1).positionSeconds, 8);
    transport.setLoop(MIDILoopRange{2, 4}, 1);
    EXPECT_EQ(transport.snapshot(1).positionSeconds, 2);
    transport.setLoop(std::nullopt, 2);
    EXPECT_EQ(transport.snapshot(2).positionSeconds, 3);
    EXPECT_EQ(transport.snapshot(2).loopIteration, 0u);
}

TEST(MIDITransport, ExtremeClockJumpsSaturateThePassCount)
{
    MIDITransport transport(songOf(10));
    transport.setLoop(MIDILoopRange{0, 1e-9}, 0);
    transport.play(0);
    auto s = transport.snapshot(1e12);
    EXPECT_EQ(s.loopIteration, std::numeric_limits<std::uint64_t>::max());
    EXPECT_GE(s.positionSeconds, 0);
    EXPECT_LT(s.positionSeconds, 1e-9);
}

TEST(MIDILoopRange, JSON)
{
    EXPECT_EQ(nlohmann::json(MIDILoopRange{1.5, 3}).dump(), R"({"endSeconds":3.0,"startSeconds":1.5})");
    EXPECT_EQ(nlohmann::json::parse(R"({"startSeconds":5,"endSeconds":2})").get<MIDILoopRange>(), (MIDILoopRange{5, 2}));
    EXPECT_THROW(nlohmann::json::parse(R"({"startSeconds":5})").get<MIDILoopRange>(), nlohmann::json::exception);
    EXPECT_THROW(nlohmann::json::parse(R"({"startSeconds":5,"endSeconds":"6"})").get<MIDILoopRange>(),
                 nlohmann::json::exception);
}
