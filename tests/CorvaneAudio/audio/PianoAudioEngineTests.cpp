#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"
#include "JackRecorder.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

class PianoAudioEngineTest : public AudioEngineTest {
protected:
    PianoAudioEngineTest() : AudioEngineTest("recorder") {}

    // The recorder hears the engine's output ports from now on.
    void listen()
    {
        ASSERT_TRUE(processEventsUntil([&] { return !recorder.outputPorts("^Brelmo").empty(); }, 5s));
        recorder.connectFrom("^Brelmo");
    }
};

TEST_F(PianoAudioEngineTest, PianoNotesAreHeardAndReleased)
{
    ASSERT_TRUE(waitForBuiltInPiano());
    engine->start();
    listen();
    processEventsFor(100ms);
    const auto before = recorder.recordedFrames();
    engine->noteOn(60, 110, 0);
    processEventsFor(400ms);
    const auto held = recorder.left(before);
    EXPECT_GT(JackRecorder::rms(held), 0.005);
    EXPECT_GT(JackRecorder::rms(recorder.right(before)), 0.005);
    engine->noteOff(60, 0);
    processEventsFor(1500ms);
    const auto tail = recorder.left(recorder.recordedFrames() - 4800);
    EXPECT_LT(JackRecorder::peak(tail), 0.001);
}

// Where the recording holds `click` exactly, from the first sound after `from`.
std::optional<std::size_t> findClick(const std::vector<float>& recording, const std::vector<float>& click,
                                     std::size_t from = 0)
{
    for (std::size_t i = from; i + 1 < recording.size(); ++i) {
        if (recording[i + 1] == 0.0f) continue;
        // Sample 0 of a click is silence: the click starts one frame before its first sound.
        for (std::size_t n = 0; n < click.size() && i + n < recording.size(); ++n)
            if (std::fabs(recording[i + n] - click[n]) > 1e-6f) return std::nullopt;
        return i;
    }
    return std::nullopt;
}

TEST_F(PianoAudioEngineTest, ClickStartsWithTheNextRenderCycleAfterTheCall)
{
    engine->start();
    listen();
    processEventsFor(100ms);
    const auto before = recorder.recordedFrames();
    const auto calledAt = hostTimeNow();
    engine->playCountInClick(true);
    processEventsFor(200ms);
    const auto recording = recorder.left(before);
    const auto onset = findClick(recording, engine->countInClicks().accented);
    ASSERT_TRUE(onset) << "the recording does not hold the accented click";

    // It begins exactly where a cycle begins, in the first cycle after the call.
    const auto frame = before + *onset;
    std::optional<std::uint64_t> cycleTime;
    for (const auto& [start, time] : recorder.cycles())
        if (start == frame) cycleTime = time;
    ASSERT_TRUE(cycleTime) << "the click does not start at a cycle boundary";
    const double period = double(recorder.periodFrames()) / recorder.sampleRate();
    const double delay = secondsForHostTime(*cycleTime) - secondsForHostTime(calledAt);
    EXPECT_GE(delay, 0.0);
    // The bound is loose: the dummy server is not real-time and a busy machine delays its cycles.
    EXPECT_LT(delay, 2 * period + 0.1);
}

TEST_F(PianoAudioEngineTest, SecondClickCutsTheFirstOff)
{
    engine->start();
    listen();
    processEventsFor(100ms);
    const auto before = recorder.recordedFrames();
    engine->playCountInClick(true);
    processEventsFor(15ms);
    engine->playCountInClick(false);
    processEventsFor(200ms);
    const auto recording = recorder.left(before);
    const auto& clicks = engine->countInClicks();
    std::size_t first = 0;
    while (first + 1 < recording.size() && recording[first + 1] == 0.0f) ++first;
    // Find where the normal click starts after the accented one began.
    std::optional<std::size_t> second;
    for (std::size_t i = first + 1; i < recording.size() && !second; ++i)
        if (findClick(recording, clicks.normal, i) == i) second = i;
    ASSERT_TRUE(second);
    EXPECT_LT(*second - first, clicks.accented.size()); // the first was still sounding
    for (std::size_t n = 0; n < *second - first; ++n) ASSERT_NEAR(recording[first + n], clicks.accented[n], 1e-6f);
}

TEST_F(PianoAudioEngineTest, RenderClockFollowsTheOutputAtItsRate)
{
    EXPECT_FALSE(engine->currentRenderClockInstant());
    engine->start();
    processEventsFor(100ms);
    const auto first = engine->currentRenderClockInstant().value();
    EXPECT_EQ(first.sampleRate, 48000);
    ASSERT_TRUE(first.hostTime);
    // The host time is the same monotonic clock every other stamp uses.
    EXPECT_NEAR(*first.clockTimeSeconds(), secondsForHostTime(hostTimeNow()), 0.25);
    // A callback that runs late stamps a late host time for its frames. The
    // dummy server is not real-time, so on a busy machine single stamps jitter
    // by tens of milliseconds: of a few instants taken, the one whose host
    // time is earliest for its frame count stands for the clock.
    auto onTimeInstant = [&] {
        auto best = engine->currentRenderClockInstant().value();
        auto lateness = [](const AudioRenderClockInstant& i) {
            return secondsForHostTime(*i.hostTime) - double(i.sampleTime) / i.sampleRate;
        };
        for (int i = 0; i < 8; ++i) {
            std::this_thread::sleep_for(15ms);
            auto next = engine->currentRenderClockInstant().value();
            if (lateness(next) < lateness(best)) best = next;
        }
        return best;
    };
    const auto start = onTimeInstant();
    std::this_thread::sleep_for(1500ms);
    const auto second = onTimeInstant();
    const double byFrames = double(second.sampleTime - start.sampleTime) / 48000.0;
    const double byHost = second.elapsedSeconds(start).value();
    EXPECT_GT(byHost, 1.4);
    EXPECT_NEAR(byFrames / byHost, 1.0, 0.01);
    EXPECT_EQ(second.sampleTime % 256, 0);

    engine->stop();
    EXPECT_FALSE(engine->isRunning());
    EXPECT_FALSE(engine->currentRenderClockInstant());
}

TEST_F(PianoAudioEngineTest, NotesNeverStartTheOutputButAClickDoes)
{
    engine->noteOn(60, 100, 0);
    engine->stopAllNotes();
    EXPECT_FALSE(engine->isRunning());
    engine->playCountInClick(false);
    EXPECT_TRUE(engine->isRunning());
}

TEST_F(PianoAudioEngineTest, AllNotesOffSilencesHeldAndSustainedNotes)
{
    ASSERT_TRUE(waitForBuiltInPiano());
    engine->start();
    listen();
    engine->sendController(64, 127, 0);
    for (std::uint8_t note : {48, 60, 67}) engine->noteOn(note, 120, 0);
    engine->noteOn(72, 120, 9);
    processEventsFor(200ms);
    engine->stopAllNotes();
    processEventsFor(1200ms);
    EXPECT_LT(JackRecorder::peak(recorder.left(recorder.recordedFrames() - 4800)), 0.001);
}

TEST(PianoAudioEngineWithoutDevice, ConstructionFailsWithTheOutputMessage)
{
    const char* previous = std::getenv("JACK_DEFAULT_SERVER");
    const std::string saved = previous ? previous : "";
    ::setenv("JACK_DEFAULT_SERVER", "brelmo-no-such-server", 1);
    TemporaryDefaults defaults;
    try {
        PianoAudioEngine engine(*defaults, AudioHostAPI::jack);
        ADD_FAILURE() << "an engine without any audio device was built";
    } catch (const PianoAudioError& error) {
        EXPECT_TRUE(error.as<PianoAudioError::OutputUnitUnavailable>());
        EXPECT_STREQ(error.what(), "A unidade de saída de áudio do sistema não está disponível.");
    }
    if (previous) ::setenv("JACK_DEFAULT_SERVER", saved.c_str(), 1);
    else ::unsetenv("JACK_DEFAULT_SERVER");
}

} // namespace

// Read right after each start, before and across the first render cycle, the
// render clock never goes back: a transport anchored on the first reading
// would refuse the next one.
TEST_F(PianoAudioEngineTest, RenderClockNeverGoesBackAcrossTheFirstCycle)
{
    for (int start = 0; start < 10; ++start) {
        engine->start();
        double last = 0;
        const auto until = std::chrono::steady_clock::now() + 30ms;
        while (std::chrono::steady_clock::now() < until) {
            const double now = engine->currentRenderClockInstant().value().clockTimeSeconds().value();
            ASSERT_GE(now, last) << "start " << start;
            last = now;
        }
        engine->stop();
    }
}
