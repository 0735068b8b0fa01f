// The built-in piano: how it answers the touch and its level, as the output
// callback renders it; its loading on a worker thread as the engine plays it
// on the JACK dummy server; and a SoundFont that is missing.

#include <gtest/gtest.h>

#include <QThreadPool>

#include <chrono>
#include <cmath>
#include <complex>
#include <numbers>
#include <thread>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/engine/HeldControllers.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/instruments/BundledPiano.hpp"
#include "CorvaneAudio/instruments/SoundFontPiano.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/output/CountInClick.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"
#include "JackRecorder.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

constexpr double sampleRate = 48000;
constexpr std::size_t analysisFrames = 16384; // about a third of a second

// The magnitude-weighted mean frequency of a Hann-windowed stretch.
double spectralCentroid(const std::vector<float>& samples)
{
    const std::size_t n = analysisFrames;
    std::vector<std::complex<double>> bins(n);
    for (std::size_t i = 0; i < n && i < samples.size(); ++i)
        bins[i] = samples[i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(n - 1)));
    // Iterative radix-2 FFT.
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(bins[i], bins[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const auto step = std::polar(1.0, -2 * std::numbers::pi / double(length));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> w = 1;
            for (std::size_t k = 0; k < length / 2; ++k, w *= step) {
                const auto a = bins[start + k], b = bins[start + k + length / 2] * w;
                bins[start + k] = a + b;
                bins[start + k + length / 2] = a - b;
            }
        }
    }
    double weighted = 0, total = 0;
    for (std::size_t k = 1; k < n / 2; ++k) {
        weighted += std::abs(bins[k]) * double(k) * sampleRate / double(n);
        total += std::abs(bins[k]);
    }
    return total > 0 ? weighted / total : 0;
}

// The recording from its first sound on, `frames` long at most.
std::vector<float> fromOnset(const std::vector<float>& recording, std::size_t frames)
{
    const auto onset = std::find_if(recording.begin(), recording.end(), [](float s) { return std::fabs(s) > 1e-3f; });
    return std::vector<float>(onset, onset + std::min<std::ptrdiff_t>(frames, recording.end() - onset));
}

// The piano rendered by the render core, period after period, as the output
// callback renders it but with no server in between: on a loaded machine the
// dummy server loses periods, and a recording of them measures the machine.
class RenderedPiano {
public:
    static constexpr std::uint32_t period = 256;

    void play(const MIDIInstrumentCommand& command) { core_.enqueue(RenderCommand{command}); }

    // At least `frames` more, in whole periods.
    void render(std::size_t frames)
    {
        for (std::size_t done = 0; done < frames; done += period) {
            const auto at = left_.size();
            left_.resize(at + period);
            right_.resize(at + period);
            float* channels[2] = {&left_[at], &right_[at]};
            core_.process(channels, 2, period, 0);
        }
    }

    std::size_t renderedFrames() const { return left_.size(); }
    std::vector<float> left(std::size_t from) const { return {left_.begin() + std::ptrdiff_t(from), left_.end()}; }
    std::vector<float> right(std::size_t from) const { return {right_.begin() + std::ptrdiff_t(from), right_.end()}; }

    // A key struck alone, from its first sound; it dies away before the next.
    std::vector<float> strike(std::uint8_t note, std::uint8_t velocity)
    {
        const auto before = renderedFrames();
        play(MIDIInstrumentCommand::noteOn(note, velocity, 0));
        render(analysisFrames + 4800);
        play(MIDIInstrumentCommand::noteOff(note, 0));
        auto sound = fromOnset(left(before), analysisFrames);
        render(std::size_t(1.2 * sampleRate));
        return sound;
    }

private:
    SoundFontPiano piano_{BundledPiano::defaultSoundFontURL().value(), sampleRate};
    CountInClicks clicks_ = CountInClicks::make();
    AudioRenderCore core_{&piano_, clicks_};
    std::vector<float> left_, right_;
};

TEST(BuiltInPianoSound, StruckHarderItIsLouderAndBrighterAndAFullChordStaysBelowFullScale)
{
    RenderedPiano piano;
    // C2: the hard stroke is a layer of its own, not the soft one made louder.
    const auto soft = piano.strike(36, 30);
    const auto hard = piano.strike(36, 127);
    ASSERT_EQ(soft.size(), analysisFrames);
    ASSERT_EQ(hard.size(), analysisFrames);
    EXPECT_GT(JackRecorder::rms(hard), 4 * JackRecorder::rms(soft));
    EXPECT_GT(spectralCentroid(hard), 2 * spectralCentroid(soft))
        << "soft " << spectralCentroid(soft) << " Hz, hard " << spectralCentroid(hard) << " Hz";

    // Both hands on C major at velocity 120 peak between -3 and -1 dBFS.
    const auto before = piano.renderedFrames();
    for (std::uint8_t note : {36, 43, 48, 55, 60, 64, 67, 72, 76, 79})
        piano.play(MIDIInstrumentCommand::noteOn(note, 120, 0));
    piano.render(std::size_t(1.5 * sampleRate));
    const float peak = std::max(JackRecorder::peak(piano.left(before)), JackRecorder::peak(piano.right(before)));
    EXPECT_GT(20 * std::log10(peak), -3.0);
    EXPECT_LT(20 * std::log10(peak), -1.0);
}

class BuiltInPianoTest : public AudioEngineTest {
protected:
    BuiltInPianoTest() : AudioEngineTest("listener") {}

    // Waits for the engine's ports without turning the event loop, which
    // would let the loaded piano in.
    void listenWithoutEvents()
    {
        for (int i = 0; i < 500 && recorder.outputPorts("^Brelmo").empty(); ++i) std::this_thread::sleep_for(10ms);
        recorder.connectFrom("^Brelmo");
        while (!recorder.isConnectedFrom(recorder.outputPorts("^Brelmo").at(0))) std::this_thread::sleep_for(5ms);
    }
};

TEST_F(BuiltInPianoTest, WhileThePianoLoadsNotesAreSilentAndThePedalIsKept)
{
    // Nothing of the load reaches the engine before its event loop turns.
    EXPECT_TRUE(engine->isLoadingBuiltInPiano());
    engine->start();
    EXPECT_TRUE(engine->isRunning());
    listenWithoutEvents();
    const auto loading = recorder.recordedFrames();
    engine->sendController(64, 127, 0);
    engine->noteOn(60, 110, 0); // never heard, not even once the piano is there
    std::this_thread::sleep_for(300ms);
    EXPECT_GT(recorder.recordedFrames(), loading + 4800);
    EXPECT_LT(JackRecorder::peak(recorder.left(loading)), 1e-6f);

    ASSERT_TRUE(waitForBuiltInPiano());
    EXPECT_FALSE(engine->instrumentError());
    EXPECT_EQ(reconfigurations, 0); // nothing the session has to pause for
    processEventsFor(200ms);
    const auto arrived = recorder.recordedFrames();
    processEventsFor(100ms);
    EXPECT_LT(JackRecorder::peak(recorder.left(arrived)), 1e-6f);

    // The pedal pressed meanwhile holds a note released after the arrival.
    engine->noteOn(64, 110, 0);
    processEventsFor(100ms);
    engine->noteOff(64, 0);
    processEventsFor(800ms);
    EXPECT_GT(JackRecorder::rms(recorder.left(recorder.recordedFrames() - 4800)), 0.002);
    engine->sendController(64, 0, 0);
    processEventsFor(1200ms);
    EXPECT_LT(JackRecorder::peak(recorder.left(recorder.recordedFrames() - 4800)), 0.001);
}

TEST(BuiltInPianoLoading, AnAbandonedLoadStopsAtOnce)
{
    const auto soundFont = BundledPiano::defaultSoundFontURL().value();
    std::atomic<bool> abandon = false;
    bool failed = false;
    std::thread loader([&] {
        try {
            SoundFontPiano piano(soundFont, sampleRate, &abandon);
        } catch (const InstrumentLoadError&) {
            failed = true;
        }
    });
    std::this_thread::sleep_for(100ms);
    const auto abandonedAt = std::chrono::steady_clock::now();
    abandon = true;
    loader.join();
    EXPECT_TRUE(failed);
    // Decoding every sample takes more than a second.
    EXPECT_LT(std::chrono::steady_clock::now() - abandonedAt, 400ms);

    // An engine released while its piano loads leaves no worker behind.
    sharedJackServer();
    TemporaryDefaults defaults;
    std::make_unique<PianoAudioEngine>(*defaults, AudioHostAPI::jack).reset();
    const auto releasedAt = std::chrono::steady_clock::now();
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - releasedAt, 400ms);
}

TEST(BuiltInPianoLoading, AMissingSoundFontIsNamedAtCreationAndWhenThePianoIsChosenAgain)
{
    sharedJackServer();
    TemporaryDefaults defaults;
    try {
        PianoAudioEngine engine(*defaults, AudioHostAPI::jack, [] { return std::optional<std::filesystem::path>(); });
        ADD_FAILURE() << "an engine without its SoundFont was built";
    } catch (const PianoAudioError& error) {
        EXPECT_TRUE(error.as<PianoAudioError::SoundFontMissing>());
        EXPECT_STREQ(error.what(), "O SoundFont do piano interno não foi encontrado.");
    }

    // The SoundFont goes missing after the start: the piano cannot be rebuilt.
    bool present = true;
    PianoAudioEngine engine(*defaults, AudioHostAPI::jack, [&]() -> std::optional<std::filesystem::path> {
        if (present) return BundledPiano::defaultSoundFontURL();
        return std::nullopt;
    });
    bool done = false;
    engine.refreshAvailableInstruments([&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    done = false;
    engine.selectInstrument("61756D75-AD28741D-8A389B00", [&] { done = true; }); // MDA Piano
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    ASSERT_EQ(engine.selectedInstrument().name, "MDA Piano");
    present = false;
    done = false;
    engine.selectInstrument(AudioInstrumentDescriptor::bundledPiano().id, [&] { done = true; });
    ASSERT_TRUE(processEventsUntil([&] { return done; }));
    EXPECT_EQ(engine.instrumentError(),
              "Não foi possível carregar Piano interno: O SoundFont do piano interno não foi encontrado.");
    EXPECT_EQ(engine.selectedInstrument().name, "MDA Piano");
}

TEST(HeldControllers, KeepTheLastValueOfEachControllerUntilTheyAreReset)
{
    HeldControllers held;
    EXPECT_TRUE(held.commands().empty());
    held.remember(MIDIInstrumentCommand::noteOn(60, 100, 0));
    held.remember(MIDIInstrumentCommand::controlChange(64, 127, 0));
    held.remember(MIDIInstrumentCommand::controlChange(7, 90, 17)); // channel 17 is channel 1
    held.remember(MIDIInstrumentCommand::controlChange(7, 100, 1));
    held.remember(MIDIInstrumentCommand::controlChange(1, 20, 0));
    held.remember(MIDIInstrumentCommand::pitchBend(9000, 0));
    held.remember(MIDIInstrumentCommand::controlChange(123, 0, 0)); // a channel mode message is no value
    EXPECT_EQ(held.commands(), (std::vector<MIDIInstrumentCommand>{
                                   MIDIInstrumentCommand::controlChange(1, 20, 0),
                                   MIDIInstrumentCommand::controlChange(64, 127, 0),
                                   MIDIInstrumentCommand::pitchBend(9000, 0),
                                   MIDIInstrumentCommand::controlChange(7, 100, 1),
                               }));

    // "Reset all controllers" forgets its channel; "all notes off" lifts every pedal.
    held.remember(MIDIInstrumentCommand::controlChange(121, 0, 0));
    held.remember(MIDIInstrumentCommand::controlChange(64, 127, 2));
    held.remember(MIDIInstrumentCommand::allNotesOff());
    EXPECT_EQ(held.commands(), (std::vector<MIDIInstrumentCommand>{MIDIInstrumentCommand::controlChange(7, 100, 1)}));
}

} // namespace
