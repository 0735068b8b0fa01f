#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>

#include <unistd.h>

#include "CorvaneAudio/instruments/BundledPiano.hpp"
#include "CorvaneAudio/instruments/SoundFontPiano.hpp"
#include "CorvaneAudio/output/AudioRenderClockInstant.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"

using namespace corvane;

namespace {

// Records what reaches it and renders silence.
class RecordingInstrument : public RenderInstrument {
public:
    void prepare(double rate) override { rate_ = rate; }
    double sampleRate() const override { return rate_; }
    void handle(const MIDIInstrumentCommand& command) override { received.push_back(command); }
    void render(float* left, float* right, std::uint32_t frames) override
    {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        renderedFrames += frames;
    }
    std::vector<MIDIInstrumentCommand> received;
    std::uint32_t renderedFrames = 0;

private:
    double rate_ = 48000;
};

struct Output {
    explicit Output(std::uint32_t frames) : left(frames), right(frames) {}
    float* channels[2] = {nullptr, nullptr};
    std::vector<float> left, right;
    float* const* pointers()
    {
        channels[0] = left.data();
        channels[1] = right.data();
        return channels;
    }
};

class AudioRenderCoreTest : public ::testing::Test {
protected:
    CountInClicks clicks = CountInClicks::make();
    RecordingInstrument instrument;
    AudioRenderCore core{&instrument, clicks};
};

TEST_F(AudioRenderCoreTest, AllNotesOffReleasesSustainThenNotesOnEveryChannel)
{
    core.apply(RenderCommand{MIDIInstrumentCommand::allNotesOff()});
    ASSERT_EQ(instrument.received.size(), 32u);
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        EXPECT_EQ(instrument.received[channel * 2], MIDIInstrumentCommand::controlChange(64, 0, channel));
        EXPECT_EQ(instrument.received[channel * 2 + 1], MIDIInstrumentCommand::controlChange(123, 0, channel));
    }
}

TEST_F(AudioRenderCoreTest, QueuedCommandsArriveInOrderOnTheirLowFourChannelBits)
{
    core.enqueue(RenderCommand{MIDIInstrumentCommand::noteOn(60, 90, 17)});
    core.enqueue(RenderCommand{MIDIInstrumentCommand::pitchBend(9000, 0x2F)});
    EXPECT_TRUE(instrument.received.empty()); // nothing happens before the next cycle
    Output out(64);
    core.process(out.pointers(), 2, 64, 1000);
    EXPECT_EQ(instrument.received, (std::vector{MIDIInstrumentCommand::noteOn(60, 90, 1),
                                                MIDIInstrumentCommand::pitchBend(9000, 15)}));
}

TEST_F(AudioRenderCoreTest, CommandsAppliedDirectlyFollowThoseTheCallbackLeftQueued)
{
    // The stream stopped (its server gone) before draining these; the main
    // thread takes over as the consumer.
    RecordingInstrument replacement;
    core.enqueue(RenderCommand{MIDIInstrumentCommand::noteOn(60, 90, 0)});
    core.enqueue(RenderCommand{RenderCommand::SwapInstrument{&replacement, 1}});
    core.enqueue(RenderCommand{MIDIInstrumentCommand::noteOn(62, 90, 0)});
    core.applyInOrder(RenderCommand{MIDIInstrumentCommand::noteOff(62, 0)});
    EXPECT_EQ(instrument.received, (std::vector{MIDIInstrumentCommand::noteOn(60, 90, 0)}));
    EXPECT_EQ(replacement.received,
              (std::vector{MIDIInstrumentCommand::noteOn(62, 90, 0), MIDIInstrumentCommand::noteOff(62, 0)}));
    EXPECT_EQ(core.acknowledgedSwap(), 1u);
    EXPECT_EQ(core.instrument(), &replacement);
}

TEST_F(AudioRenderCoreTest, LongPeriodsAreRenderedInPiecesAndCounted)
{
    Output out(2048);
    core.process(out.pointers(), 2, 2048, 5'000'000'000);
    EXPECT_EQ(instrument.renderedFrames, 2048u);
    const auto first = core.clock().read().value();
    EXPECT_EQ(first.sampleTime, 0);
    EXPECT_EQ(first.hostTime, 5'000'000'000u);
    core.process(out.pointers(), 2, 2048, 6'000'000'000);
    EXPECT_EQ(core.clock().read()->sampleTime, 2048);
    core.resetClock();
    EXPECT_FALSE(core.clock().read());
}

TEST_F(AudioRenderCoreTest, ClickIsMixedFromTheNextCycleAndANewClickCutsTheOldOne)
{
    core.enqueue(RenderCommand{RenderCommand::Click{false}});
    Output out(256);
    core.process(out.pointers(), 2, 256, 0);
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_FLOAT_EQ(out.left[i], clicks.normal[i]);
        ASSERT_FLOAT_EQ(out.right[i], clicks.normal[i]);
    }
    core.enqueue(RenderCommand{RenderCommand::Click{true}});
    core.process(out.pointers(), 2, 256, 0);
    for (std::size_t i = 0; i < 256; ++i) ASSERT_FLOAT_EQ(out.left[i], clicks.accented[i]);

    // The accented click runs to its end and then stops.
    std::size_t sounding = 256;
    for (int cycle = 0; cycle < 10; ++cycle) {
        core.process(out.pointers(), 2, 256, 0);
        for (std::size_t i = 0; i < 256; ++i, ++sounding) {
            const float expected = sounding < clicks.accented.size() ? clicks.accented[sounding] : 0.0f;
            ASSERT_FLOAT_EQ(out.left[i], expected) << sounding;
        }
    }
    core.apply(RenderCommand{RenderCommand::Click{false}});
    core.apply(RenderCommand{RenderCommand::StopClick{}});
    core.process(out.pointers(), 2, 256, 0);
    EXPECT_EQ(*std::max_element(out.left.begin(), out.left.end()), 0.0f);
}

TEST_F(AudioRenderCoreTest, ClickKeepsItsLengthInTimeAtOtherRates)
{
    core.setSampleRate(96000);
    core.apply(RenderCommand{RenderCommand::Click{false}});
    Output out(4096);
    core.process(out.pointers(), 2, 4096, 0);
    std::size_t last = 0;
    for (std::size_t i = 0; i < out.left.size(); ++i)
        if (out.left[i] != 0.0f) last = i;
    EXPECT_NEAR(double(last), 2.0 * double(CountInClicks::frameCount), 4.0);
    EXPECT_NEAR(out.left[200], clicks.normal[100], 1e-6);
}

TEST(CountInClicks, ShapeAndPitch)
{
    const auto clicks = CountInClicks::make();
    ASSERT_EQ(clicks.normal.size(), 1680u);
    ASSERT_EQ(clicks.accented.size(), 1680u);
    EXPECT_EQ(clicks.normal[0], 0.0f);
    EXPECT_EQ(clicks.accented[0], 0.0f);
    // Past 1.5 ms only the decay shapes it.
    const double t = 100.0 / 48000.0;
    EXPECT_NEAR(clicks.accented[100], 0.25 * std::sin(2 * std::numbers::pi * 1900 * t) * std::exp(-95 * t), 1e-6);
    const double rising = 36.0 / 48000.0;
    EXPECT_NEAR(clicks.normal[36],
                0.18 * std::sin(2 * std::numbers::pi * 1350 * rising) * std::exp(-95 * rising) * 0.5, 1e-6);
    // Zero crossings tell the two pitches apart.
    auto crossings = [](const std::vector<float>& s) {
        int count = 0;
        for (std::size_t i = 1; i < s.size(); ++i) count += (s[i - 1] < 0) != (s[i] < 0);
        return count;
    };
    EXPECT_NEAR(crossings(clicks.normal), 2 * 1350 * 0.035, 3);
    EXPECT_NEAR(crossings(clicks.accented), 2 * 1900 * 0.035, 3);
}

TEST(AudioRenderClockInstant, SecondsAndElapsedTime)
{
    EXPECT_EQ(AudioRenderClockInstant({-5, 48000, 2'500'000'000}).clockTimeSeconds(), 2.5);
    EXPECT_FALSE(AudioRenderClockInstant({-1, 48000, std::nullopt}).clockTimeSeconds());
    EXPECT_FALSE(AudioRenderClockInstant({10, 0, std::nullopt}).clockTimeSeconds());
    EXPECT_EQ(AudioRenderClockInstant({48000, 48000, std::nullopt}).clockTimeSeconds(), 1.0);

    const AudioRenderClockInstant early{0, 48000, 1'000'000'000}, late{48000, 48000, 3'000'000'000};
    EXPECT_EQ(late.elapsedSeconds(early), 2.0);
    EXPECT_FALSE(early.elapsedSeconds(late));
    EXPECT_EQ(AudioRenderClockInstant({48000, 48000, std::nullopt}).elapsedSeconds(early), 1.0);
    EXPECT_FALSE(AudioRenderClockInstant({48000, 48000, std::nullopt}).elapsedSeconds({0, 44100, std::nullopt}));
    EXPECT_FALSE(AudioRenderClockInstant({0, 48000, std::nullopt}).elapsedSeconds({10, 48000, std::nullopt}));

    EXPECT_NE(AudioRenderClockInstant({0, 48000, 0}), AudioRenderClockInstant({0, 48000, std::nullopt}));
    EXPECT_EQ(AudioRenderClockInstant({0, 48000, 5}), AudioRenderClockInstant({0, 48000, 5}));
}

// Renders one second of note 60 on a channel after the given set-up.
std::vector<float> pianoNote(std::uint8_t channel, std::initializer_list<MIDIInstrumentCommand> setUp = {})
{
    SoundFontPiano piano(BundledPiano::defaultSoundFontURL().value(), 48000);
    for (const auto& command : setUp) piano.handle(command);
    piano.handle(MIDIInstrumentCommand::noteOn(60, 100, channel));
    std::vector<float> left(48000), right(48000);
    for (std::size_t done = 0; done < left.size(); done += 480) piano.render(&left[done], &right[done], 480);
    return left;
}

TEST(SoundFontPiano, EveryChannelAndProgramIsTheSamePiano)
{
    // While one piano holds the decoded samples, the others are built in milliseconds.
    const SoundFontPiano keeper(BundledPiano::defaultSoundFontURL().value(), 48000);
    const auto reference = pianoNote(0);
    float peak = 0;
    for (float s : reference) peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.05f);
    EXPECT_EQ(pianoNote(9), reference); // channel 10 is no drum kit
    EXPECT_EQ(pianoNote(0, {MIDIInstrumentCommand::programChange(40, 0)}), reference);
    EXPECT_EQ(pianoNote(3, {MIDIInstrumentCommand::controlChange(0, 127, 3), MIDIInstrumentCommand::programChange(0, 3)}),
              reference);
}

TEST(BundledPiano, FindsTheSoundFontInAudioFolderOrAtTheBundleRoot)
{
    const auto folder = std::filesystem::temp_directory_path() / ("brelmo-bundle-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "a.bundle" / "Audio");
    std::filesystem::create_directories(folder / "b.bundle");
    std::ofstream(folder / "b.bundle" / "UprightPiano.sf2") << "x";
    EXPECT_EQ(BundledPiano::soundFontIn({folder / "a.bundle", folder / "b.bundle"}),
              folder / "b.bundle" / "UprightPiano.sf2");
    std::ofstream(folder / "a.bundle" / "Audio" / "UprightPiano.sf2") << "x";
    EXPECT_EQ(BundledPiano::soundFontIn({folder / "a.bundle", folder / "b.bundle"}),
              folder / "a.bundle" / "Audio" / "UprightPiano.sf2");
    EXPECT_FALSE(BundledPiano::soundFontIn({folder / "missing"}));
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(BundledPiano::defaultSoundFontURL());
}

} // namespace
