// Playback sent ahead: the queue that the main thread fills and withdraws
// from while the audio thread claims, the render core applying each event at
// its own sample, and the router taking back what was withdrawn.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "CorvaneAudio/engine/RenderClockMapping.hpp"
#include "CorvaneAudio/midi/MIDIInstrumentRouter.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/output/ScheduledEventQueue.hpp"

using namespace corvane;
using Commands = std::vector<MIDIInstrumentCommand>;

namespace {

ScheduledEvent eventAt(std::int64_t sample, std::uint8_t note)
{
    ScheduledEvent event;
    event.sample = sample;
    event.commands[0] = MIDIInstrumentCommand::noteOn(note, 100, 0);
    event.count = 1;
    return event;
}

TEST(ScheduledEventQueue, EveryEventIsEitherPlayedOnceOrReportedWithdrawn)
{
    ScheduledEventQueue queue;
    for (std::uint8_t i = 0; i < 5; ++i) ASSERT_EQ(queue.push(eventAt(10 * (i + 1), i)), i);
    ScheduledEvent out[8];
    ASSERT_EQ(queue.takeDue(25, out, 8), 2u) << "10 and 20 fall before 25";
    EXPECT_EQ(out[1].sample, 20);
    EXPECT_EQ(queue.withdraw(), 2u) << "30, 40 and 50 are taken back";
    EXPECT_EQ(queue.withdraw(), std::nullopt) << "nothing left to take back";
    // What comes after may fall earlier than what was withdrawn.
    ASSERT_EQ(queue.push(eventAt(26, 9)), 5u);
    ASSERT_EQ(queue.takeDue(1000, out, 8), 1u);
    EXPECT_EQ(out[0].sample, 26);
    EXPECT_EQ(queue.consumed(), 6u);

    // Both threads at once: the audio thread claims as the main thread sends
    // and withdraws. Each event must have exactly one fate.
    ScheduledEventQueue shared;
    constexpr int count = 60000; // each event carries its number in a pitch bend
    std::atomic<std::int64_t> now{0};
    std::atomic<bool> done{false};
    std::vector<int> played(count, 0);
    std::thread audio([&] {
        ScheduledEvent due[16];
        while (!done.load() || shared.consumed() != shared.next()) {
            const auto taken = shared.takeDue(now.fetch_add(3) + 3, due, 16);
            for (std::size_t i = 0; i < taken; ++i) ++played[due[i].commands[1].as<MIDIInstrumentCommand::PitchBend>()->value];
        }
    });
    std::vector<std::uint64_t> identityOf(count);
    std::vector<bool> withdrawn(count, false);
    std::int64_t sample = 0;
    int sent = 0;
    for (int round = 0; sent < count; ++round) {
        // A few events a little ahead of the audio thread, in sample order.
        for (int i = 0; i < 3 && sent < count; ++i) {
            sample = std::max<std::int64_t>(sample + 1, now.load() + round % 7);
            auto event = eventAt(sample, 60);
            event.commands[1] = MIDIInstrumentCommand::pitchBend(static_cast<std::uint16_t>(sent), 0);
            event.count = 2;
            auto identity = shared.push(event);
            // Full: the audio thread catches up.
            while (!identity) {
                std::this_thread::yield();
                identity = shared.push(event);
            }
            identityOf[static_cast<std::size_t>(sent++)] = *identity;
        }
        if (round % 3 == 0)
            if (const auto oldest = shared.withdraw())
                for (int k = sent - 1; k >= 0 && identityOf[static_cast<std::size_t>(k)] >= *oldest; --k)
                    withdrawn[static_cast<std::size_t>(k)] = true;
    }
    done = true;
    audio.join();
    int withdrawnCount = 0;
    for (int k = 0; k < count; ++k) {
        withdrawnCount += withdrawn[static_cast<std::size_t>(k)];
        ASSERT_EQ(played[static_cast<std::size_t>(k)], withdrawn[static_cast<std::size_t>(k)] ? 0 : 1) << k;
    }
    EXPECT_GT(withdrawnCount, 0) << "the race was run";
    EXPECT_LT(withdrawnCount, count);
}

// Records what reaches it and in which pieces it was asked to render.
class SplitRecorder : public RenderInstrument {
public:
    void prepare(double) override {}
    double sampleRate() const override { return 48000; }
    void handle(const MIDIInstrumentCommand& command) override { received.push_back({rendered, command}); }
    void render(float* left, float* right, std::uint32_t frames) override
    {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        pieces.push_back(frames);
        rendered += frames;
    }
    std::vector<std::pair<std::uint32_t, MIDIInstrumentCommand>> received; // at frame
    std::vector<std::uint32_t> pieces;
    std::uint32_t rendered = 0;
};

TEST(ScheduledRendering, EventsSplitTheCycleAtTheirSamplesAndLateOnesGoFirst)
{
    const auto clicks = CountInClicks::make();
    SplitRecorder instrument;
    AudioRenderCore core(&instrument, clicks);
    AppliedCommandLog log;
    core.attachAppliedCommandLog(&log);
    auto& queue = core.scheduled();
    queue.push(eventAt(10, 60));
    queue.push(eventAt(10, 64));
    queue.push(eventAt(100, 67));
    queue.push(eventAt(300, 72)); // the next cycle
    std::vector<float> left(256), right(256);
    float* channels[2] = {left.data(), right.data()};
    core.process(channels, 2, 256, 1000);
    EXPECT_EQ(instrument.pieces, (std::vector<std::uint32_t>{10, 90, 156}));
    ASSERT_EQ(instrument.received.size(), 3u);
    EXPECT_EQ(instrument.received[0].first, 10u);
    EXPECT_EQ(instrument.received[1].first, 10u) << "a chord at one sample is not split";
    EXPECT_EQ(instrument.received[2].first, 100u);

    // A queued command goes at the cycle's start, before a late event.
    core.enqueue(RenderCommand{MIDIInstrumentCommand::noteOff(60, 0)});
    queue.push(eventAt(200, 74)); // behind 300: claimed in order, so it waits for it
    instrument.pieces.clear();
    core.process(channels, 2, 256, 2000);
    EXPECT_EQ(instrument.pieces, (std::vector<std::uint32_t>{44, 212}));
    ASSERT_EQ(instrument.received.size(), 6u);
    EXPECT_EQ(instrument.received[3], (std::pair<std::uint32_t, MIDIInstrumentCommand>{256, MIDIInstrumentCommand::noteOff(60, 0)}));
    EXPECT_EQ(instrument.received[4].first, 300u);
    EXPECT_EQ(instrument.received[5].first, 300u) << "an event already late goes as soon as it is reached";

    AppliedCommand applied;
    std::vector<AppliedCommand> all;
    while (log.pop(applied)) all.push_back(applied);
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[2].sample, 100);
    EXPECT_EQ(all[2].cycleHostTime, 1000u);
    EXPECT_EQ(all[3].sample, 256);
    EXPECT_EQ(all[5].scheduledSample, 200);
    EXPECT_EQ(all[5].sample, 300);

    // A stopped stream hands over what waits, whatever its time.
    queue.push(eventAt(100000, 76));
    core.applyScheduledNow();
    EXPECT_EQ(instrument.received.back().second, MIDIInstrumentCommand::noteOn(76, 100, 0));
}

TEST(RenderClockMapping, TheEarliestWakingCycleDrawsASteadyLineThatFollowsARestart)
{
    RenderClockMapping mapping;
    EXPECT_EQ(mapping.sampleAt(1.0), std::nullopt);
    // Cycles of 480 frames (10 ms) whose callbacks wake 0 to 3 ms late.
    const std::uint64_t base = 100'000'000'000;
    const int late[] = {2, 0, 3, 1, 2, 3, 1};
    for (int k = 0; k < 7; ++k)
        mapping.observe(480 * k, base + 10'000'000ull * k + 1'000'000ull * late[k], 48000);
    // The line of cycle 1, which woke on time: 100.05 s is sample 2400.
    EXPECT_EQ(mapping.sampleAt(100.05), 2400);
    EXPECT_FALSE(mapping.takeRestart());
    // The server fell behind and lost 480 frames (its cycles now wake 1 ms
    // late on the new line): once cycle 1 has left the window, the line is
    // 11 ms later than it was.
    for (int k = 7; k < 40; ++k) mapping.observe(480 * (k - 1), base + 10'000'000ull * k + 1'000'000ull, 48000);
    EXPECT_EQ(mapping.sampleAt(100.39), (390 - 11) * 48);
    // A restarted stream counts from 0 again.
    mapping.observe(0, base + 5'000'000'000ull, 48000);
    EXPECT_TRUE(mapping.takeRestart());
    EXPECT_EQ(mapping.sampleAt(105.01), 480);

    // A time ahead is placed on the line as it will stand then: 10 ms lost
    // 40 ms ago still count for a time just ahead, but not for one by which
    // the cycles before the loss will have left the window.
    RenderClockMapping ahead;
    for (int k = 0; k < 15; ++k) ahead.observe(480 * (k < 10 ? k : k - 1), base + 10'000'000ull * k, 48000);
    EXPECT_EQ(ahead.sampleAt(100.15), 150 * 48);
    EXPECT_EQ(ahead.sampleAt(100.4), (400 - 10) * 48);
}

TEST(MIDIInstrumentRouter, WithdrawnPlaybackIsTakenBackAndTheInstrumentKeptInLine)
{
    const auto playback = MIDIEventOrigin::playback();
    const auto keyboard = MIDIEventOrigin::live(3);
    MIDIInstrumentRouter router;
    MIDIInstrumentRouter::Change strike, release, down;

    // A note-on sent ahead strikes the key; the student presses it before it sounds.
    EXPECT_EQ(router.route(MIDIInputMessage::NoteOn{60, 90}, 0, playback, strike),
              Commands{MIDIInstrumentCommand::noteOn(60, 90, 0)});
    EXPECT_EQ(router.route(MIDIInputMessage::NoteOn{60, 70}, 0, keyboard), Commands{});
    // Withdrawn: the key the student holds must still sound.
    EXPECT_EQ(router.revert(strike, playback), Commands{MIDIInstrumentCommand::noteOn(60, 90, 0)});
    EXPECT_EQ(router.route(MIDIInputMessage::NoteOff{60, 0}, 0, keyboard), Commands{MIDIInstrumentCommand::noteOff(60, 0)})
        << "playback no longer holds it";

    // A release sent ahead and withdrawn leaves the note held by playback.
    router.route(MIDIInputMessage::NoteOn{62, 80}, 1, playback);
    EXPECT_EQ(router.route(MIDIInputMessage::NoteOff{62, 0}, 1, playback, release),
              Commands{MIDIInstrumentCommand::noteOff(62, 1)});
    EXPECT_EQ(router.revert(release, playback), Commands{});
    EXPECT_EQ(router.stop(playback), Commands{MIDIInstrumentCommand::noteOff(62, 1)}) << "still held, so released here";

    // A note-on that struck nothing (another owner held the key), withdrawn after that owner let go.
    router.route(MIDIInputMessage::NoteOn{64, 80}, 0, keyboard);
    router.route(MIDIInputMessage::NoteOn{64, 80}, 0, playback, strike);
    EXPECT_EQ(router.route(MIDIInputMessage::NoteOff{64, 0}, 0, keyboard), Commands{});
    EXPECT_EQ(router.revert(strike, playback), Commands{MIDIInstrumentCommand::noteOff(64, 0)})
        << "nobody holds it, yet it still sounds";

    // Pedal: the withdrawn press is undone and the instrument told the pedal held.
    router.route(MIDIInputMessage::ControlChange{64, 70}, 2, keyboard);
    EXPECT_EQ(router.route(MIDIInputMessage::ControlChange{64, 127}, 2, playback, down),
              Commands{MIDIInstrumentCommand::controlChange(64, 127, 2)});
    EXPECT_EQ(router.revert(down, playback), Commands{MIDIInstrumentCommand::controlChange(64, 70, 2)});
    EXPECT_EQ(router.stop(playback), Commands{}) << "playback holds nothing any more";

    // A stop sent ahead goes one release at a time; taken back newest first,
    // it leaves every hold and the pedal as they were.
    router.route(MIDIInputMessage::NoteOn{65, 90}, 0, playback);
    router.route(MIDIInputMessage::NoteOn{65, 90}, 0, playback);
    router.route(MIDIInputMessage::ControlChange{64, 127}, 0, playback);
    const auto steps = router.stopInSteps(playback);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].commands, Commands{}) << "one of two holds";
    EXPECT_EQ(steps[1].commands, Commands{MIDIInstrumentCommand::noteOff(65, 0)});
    EXPECT_EQ(steps[2].commands, Commands{MIDIInstrumentCommand::controlChange(64, 0, 0)});
    EXPECT_FALSE(router.holds(65, 0));
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) router.revert(step->change, playback);
    EXPECT_TRUE(router.holds(65, 0));
    EXPECT_EQ(router.route(MIDIInputMessage::NoteOff{65, 0}, 0, playback), Commands{}) << "still held twice";
    EXPECT_EQ(router.stop(playback),
              (Commands{MIDIInstrumentCommand::noteOff(65, 0), MIDIInstrumentCommand::controlChange(64, 0, 0)}));
}

} // namespace
