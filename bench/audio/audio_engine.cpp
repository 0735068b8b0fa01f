// Measures, on a JACK dummy server at 48 kHz with 128-frame periods:
//  1. the time from PianoAudioEngine::send(noteOn) on the main thread to the
//     first non-silent sample leaving the engine (seen by another client in
//     the same cycle), over many notes sent at random moments. Only keys whose
//     SoundFont samples sound from their first few frames are used: some
//     samples open with several milliseconds of near silence, which belongs
//     to the recording, not to the engine;
//  2. the render callback's CPU time per 128-frame period with 64 piano
//     voices sounding, by driving the same render core directly, and the
//     JACK server's DSP load while the engine plays them.

#include <QCoreApplication>

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/instruments/BundledPiano.hpp"
#include "CorvaneAudio/instruments/SoundFontPiano.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/JackTestServer.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

constexpr int periodFrames = 128;
constexpr double sampleRate = 48000;
constexpr float silence = 1e-5f;

// Notes when the engine's output first turns non-silent after being armed.
class SoundDetector {
public:
    SoundDetector()
    {
        client_ = jack_client_open("detector", JackNoStartServer, nullptr);
        if (!client_) throw std::runtime_error("no JACK server");
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &SoundDetector::process, this);
        jack_activate(client_);
    }
    ~SoundDetector()
    {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
    void connect()
    {
        const char** ports = jack_get_ports(client_, "^Brelmo", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        if (ports && ports[0]) jack_connect(client_, ports[0], jack_port_name(port_));
        jack_free(ports);
    }
    void arm()
    {
        detectedAt_.store(0);
        armed_.store(true);
    }
    std::uint64_t detectedAt() const { return detectedAt_.load(); }
    std::uint64_t cycle() const { return cycle_.load(); }
    std::uint64_t detectedCycle() const { return detectedCycle_.load(); }
    // Longest time between two cycles since the last call: the server's own wake-up jitter.
    double takeLongestCycleGap() { return double(longestGap_.exchange(0)) / 1e6; }
    std::uint64_t lastSoundAt() const { return lastSoundAt_.load(); }
    jack_client_t* client() const { return client_; }

private:
    static int process(jack_nframes_t frames, void* user)
    {
        auto* self = static_cast<SoundDetector*>(user);
        const auto now = hostTimeNow();
        const auto cycle = self->cycle_.fetch_add(1) + 1;
        if (const auto previous = self->previousCycleAt_; previous && now - previous > self->longestGap_.load())
            self->longestGap_.store(now - previous);
        self->previousCycleAt_ = now;
        const auto* samples = static_cast<const float*>(jack_port_get_buffer(self->port_, frames));
        for (jack_nframes_t i = 0; i < frames; ++i) {
            if (std::fabs(samples[i]) <= silence) continue;
            self->lastSoundAt_.store(now);
            if (self->armed_.exchange(false)) {
                self->detectedCycle_.store(cycle);
                self->detectedAt_.store(now);
            }
            break;
        }
        return 0;
    }
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<bool> armed_{false};
    std::atomic<std::uint64_t> detectedAt_{0};
    std::atomic<std::uint64_t> lastSoundAt_{0};
    std::atomic<std::uint64_t> cycle_{0};
    std::atomic<std::uint64_t> detectedCycle_{0};
    std::atomic<std::uint64_t> longestGap_{0};
    std::uint64_t previousCycleAt_ = 0;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5))];
}

void measureNoteOnLatency(PianoAudioEngine& engine, SoundDetector& detector)
{
    std::mt19937 random(42);
    std::uniform_int_distribution<int> jitter(0, 3000);
    std::vector<double> latencies;
    std::vector<double> cycles;
    detector.takeLongestCycleGap();
    for (int trial = 0; trial < 150; ++trial) {
        // Wait for 50 ms of silence, then a random fraction of a period more.
        while (hostTimeNow() - detector.lastSoundAt() < 50'000'000) std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(std::chrono::microseconds(jitter(random)));
        detector.arm();
        const auto sentAt = hostTimeNow();
        const auto sentCycle = detector.cycle();
        engine.send(MIDIInstrumentCommand::noteOn(61 + trial % 4, 100, 0));
        while (!detector.detectedAt()) std::this_thread::sleep_for(100us);
        latencies.push_back(double(detector.detectedAt() - sentAt) / 1e6);
        cycles.push_back(double(detector.detectedCycle() - sentCycle));
        engine.send(MIDIInstrumentCommand::allNotesOff());
    }
    const double period = periodFrames / sampleRate * 1000;
    std::printf("note-on to first non-silent sample over %zu notes (period %.3f ms, goal <= %.3f ms):\n",
                latencies.size(), period, period + 1);
    std::printf("  median %.3f ms, p95 %.3f ms, max %.3f ms\n", percentile(latencies, 0.5),
                percentile(latencies, 0.95), *std::max_element(latencies.begin(), latencies.end()));
    std::printf("  heard in the first cycle after the call in %.0f%% of notes, at most %.0f cycles later\n",
                100.0 * double(std::count(cycles.begin(), cycles.end(), 1.0)) / double(cycles.size()),
                *std::max_element(cycles.begin(), cycles.end()));
    std::printf("  longest gap between two server cycles meanwhile: %.3f ms\n", detector.takeLongestCycleGap());
}

double threadCPUSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Note-ons (with the pedal down) until `voices` voices sound.
template <class Send> void soundVoices(SoundFontPiano* piano, int voices, Send send)
{
    send(MIDIInstrumentCommand::controlChange(64, 127, 0));
    for (std::uint8_t note = 36; note < 100 && (!piano || piano->activeVoiceCount() < voices); ++note)
        send(MIDIInstrumentCommand::noteOn(note, 100, note % 2));
}

void measureRenderCost()
{
    const auto clicks = CountInClicks::make();
    SoundFontPiano piano(BundledPiano::defaultSoundFontURL().value(), sampleRate);
    AudioRenderCore core(&piano, clicks);
    soundVoices(&piano, 64, [&](const MIDIInstrumentCommand& c) {
        core.apply(RenderCommand{c});
        std::vector<float> l(1), r(1);
        piano.render(l.data(), r.data(), 1); // lets FluidSynth count the new voice
    });
    std::vector<float> left(periodFrames), right(periodFrames);
    float* channels[2] = {left.data(), right.data()};
    std::vector<double> costs;
    int fewest = 1 << 30;
    for (int cycle = 0; cycle < 2000; ++cycle) { // about 5.3 s of sound
        const double start = threadCPUSeconds();
        core.process(channels, 2, periodFrames, hostTimeNow());
        costs.push_back(threadCPUSeconds() - start);
        fewest = std::min(fewest, piano.activeVoiceCount());
    }
    const double period = periodFrames / sampleRate;
    std::printf("render callback CPU time per %d-frame period, at least %d voices sounding (goal < 25%%):\n",
                periodFrames, fewest);
    std::printf("  median %.1f us (%.1f%%), p99 %.1f us (%.1f%%), max %.1f us (%.1f%%)\n",
                percentile(costs, 0.5) * 1e6, percentile(costs, 0.5) / period * 100, percentile(costs, 0.99) * 1e6,
                percentile(costs, 0.99) / period * 100, *std::max_element(costs.begin(), costs.end()) * 1e6,
                *std::max_element(costs.begin(), costs.end()) / period * 100);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    JackTestServer server(int(sampleRate), periodFrames);
    server.releaseTurn();
    const auto folder = std::filesystem::temp_directory_path() / ("brelmo-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        DefaultsStore defaults(folder / "defaults.json");
        PianoAudioEngine engine(defaults, AudioHostAPI::jack);
        engine.start();
        SoundDetector detector;
        std::this_thread::sleep_for(200ms);
        detector.connect();
        std::this_thread::sleep_for(200ms);
        measureNoteOnLatency(engine, detector);

        soundVoices(nullptr, 64, [&](const MIDIInstrumentCommand& c) { engine.send(c); });
        std::this_thread::sleep_for(500ms);
        float load = 0;
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(100ms);
            load = std::max(load, jack_cpu_load(detector.client()));
        }
        std::printf("JACK DSP load while the engine plays 64 notes: up to %.1f%%\n", load);
        engine.stopAllNotes();
    }
    measureRenderCost();
    std::filesystem::remove_all(folder);
    return 0;
}
