// Measures the built-in piano, or each SoundFont named on the command line,
// every one in a process of its own so that its memory is its own:
//  1. on a JACK dummy server (48 kHz, 128 frames), the way the application
//     meets the engine, twice: with the output found and opened on the main
//     thread as the engine is made (as before), and with the output prepared
//     on a worker first (as the application does now); made and started from
//     the main thread's event loop,
//     with a note played every 10 ms from the start: how long making the
//     engine takes and how much memory it adds once the piano sounds, the
//     time from the start to the first sound, and the longest time the main
//     thread's event loop was held meanwhile;
//  2. offline at 48 kHz on the piano alone: the peak of a ten-note chord at
//     velocity 120, the peak and RMS level of each demo piece as played, and
//     the most voices sounding when a demo is played with the sustain pedal
//     held throughout and a ten-note chord struck where it is densest.
//
//   bench_piano_load [SoundFont...]

#include <QCoreApplication>
#include <QTimer>

#include <jack/jack.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/instruments/BundledPiano.hpp"
#include "CorvaneAudio/instruments/SoundFontPiano.hpp"
#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/JackTestServer.hpp"

using namespace corvane;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double sampleRate = 48000;
// Both hands on C major, from C2 to G5.
constexpr std::array<std::uint8_t, 10> tenNoteChord{36, 43, 48, 55, 60, 64, 67, 72, 76, 79};

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

double decibels(double level) { return level > 0 ? 20 * std::log10(level) : -INFINITY; }

// Notes the moment the engine's output first turns non-silent.
class FirstSoundDetector {
public:
    FirstSoundDetector()
    {
        client_ = jack_client_open("detector", JackNoStartServer, nullptr);
        if (!client_) throw std::runtime_error("no JACK server");
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &FirstSoundDetector::process, this);
        jack_activate(client_);
    }
    ~FirstSoundDetector()
    {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
    // Connects to the engine's first output port as soon as it can.
    void connectWhenPresent()
    {
        connector_ = std::thread([this] {
            while (!stop_.load()) {
                const char** ports = jack_get_ports(client_, "^Brelmo", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
                const bool connected = ports && ports[0] && jack_connect(client_, ports[0], jack_port_name(port_)) == 0;
                jack_free(ports);
                if (connected) return;
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    void finish()
    {
        stop_.store(true);
        if (connector_.joinable()) connector_.join();
    }
    std::optional<Clock::time_point> firstSound() const
    {
        const auto at = firstSound_.load();
        if (!at) return std::nullopt;
        return Clock::time_point(Clock::duration(at));
    }

private:
    static int process(jack_nframes_t frames, void* user)
    {
        auto* self = static_cast<FirstSoundDetector*>(user);
        if (self->firstSound_.load()) return 0;
        const auto* samples = static_cast<const float*>(jack_port_get_buffer(self->port_, frames));
        for (jack_nframes_t i = 0; i < frames; ++i) {
            if (std::fabs(samples[i]) > 1e-4f) {
                self->firstSound_.store(Clock::now().time_since_epoch().count());
                break;
            }
        }
        return 0;
    }
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<Clock::rep> firstSound_{0};
    std::atomic<bool> stop_{false};
    std::thread connector_;
};

std::unique_ptr<PianoAudioEngine> makeEngine(DefaultsStore& defaults,
                                             const std::optional<std::filesystem::path>& soundFont)
{
    if (!soundFont) return std::make_unique<PianoAudioEngine>(defaults, AudioHostAPI::jack);
    return std::make_unique<PianoAudioEngine>(defaults, AudioHostAPI::jack, [soundFont] { return soundFont; });
}

std::unique_ptr<PianoAudioEngine> makeEngine(DefaultsStore& defaults,
                                             const std::optional<std::filesystem::path>& soundFont,
                                             PreparedAudioOutput output)
{
    PianoAudioEngine::SoundFontLocator locate;
    if (soundFont) locate = [soundFont] { return soundFont; };
    return std::make_unique<PianoAudioEngine>(defaults, std::move(output), std::move(locate));
}

void measureEngineStart(const std::optional<std::filesystem::path>& soundFont, bool prepareOnWorker)
{
    std::printf(" %s\n", prepareOnWorker ? "output prepared on a worker:" : "output opened on the main thread:");
    int argc = 1;
    char name[] = "bench_piano_load";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    JackTestServer server(int(sampleRate), 128);
    server.releaseTurn();
    FirstSoundDetector detector;
    const auto folder = std::filesystem::temp_directory_path() / ("brelmo-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        DefaultsStore defaults(folder / "defaults.json");
        std::this_thread::sleep_for(200ms);
        const double memoryBefore = residentMegabytes();

        std::unique_ptr<PianoAudioEngine> engine;
        Clock::duration creation{}, starting{};
        Clock::time_point began, lastTurn, lastNote;
        Clock::duration longestTurn{}, longestLaterTurn{}; // overall; after the turn that made and started the engine
        std::optional<Clock::time_point> heardAt, loadedAt;
        std::future<PreparedAudioOutput> preparing;
        QTimer loop; // every turn of the event loop
        loop.setInterval(0);
        QObject::connect(&loop, &QTimer::timeout, [&] {
            // From one turn's start to the next's: whatever held the loop in between.
            const auto now = Clock::now();
            longestTurn = std::max(longestTurn, now - lastTurn);
            if (engine && lastTurn > began) longestLaterTurn = std::max(longestLaterTurn, now - lastTurn);
            lastTurn = now;
            if (!engine && prepareOnWorker && !preparing.valid()) {
                began = Clock::now();
                detector.connectWhenPresent();
                preparing = std::async(std::launch::async,
                                       [] { return PreparedAudioOutput::prepare(AudioHostAPI::jack, std::nullopt, true); });
            }
            if (!engine && prepareOnWorker && preparing.wait_for(0s) != std::future_status::ready) return;
            if (!engine) {
                const auto made = Clock::now();
                if (!prepareOnWorker) {
                    began = made;
                    detector.connectWhenPresent();
                }
                engine = prepareOnWorker ? makeEngine(defaults, soundFont, preparing.get()) : makeEngine(defaults, soundFont);
                creation = Clock::now() - made;
                const auto startBegan = Clock::now();
                engine->start();
                starting = Clock::now() - startBegan;
            }
            if (!heardAt && Clock::now() - lastNote > 10ms) {
                lastNote = Clock::now();
                engine->noteOn(60, 100, 0);
            }
            if (!heardAt) heardAt = detector.firstSound();
            if (!loadedAt && !engine->isLoadingBuiltInPiano()) loadedAt = Clock::now();
            // A little longer, so that a stall just after the first sound counts too.
            if (heardAt && Clock::now() - *heardAt > 300ms) application.quit();
            if (Clock::now() - began > 20s) application.quit();
        });
        QTimer::singleShot(0, [&] {
            lastTurn = Clock::now();
            loop.start();
        });
        application.exec();
        loop.stop();
        detector.finish();
        std::this_thread::sleep_for(1s);
        const double memoryAfter = residentMegabytes();

        std::printf("  engine made in %.1f ms, output started in %.1f ms\n", milliseconds(creation),
                    milliseconds(starting));
        if (loadedAt)
            std::printf("  piano loaded %.1f ms after the engine began to be made\n", milliseconds(*loadedAt - began));
        if (heardAt)
            std::printf("  first sound %.1f ms after the engine began to be made\n", milliseconds(*heardAt - began));
        else
            std::printf("  no sound within 20 s\n");
        std::printf("  longest main-thread stall until then: %.1f ms; after the turn that made and started the engine: "
                    "%.1f ms\n",
                    milliseconds(longestTurn), milliseconds(longestLaterTurn));
        std::printf("  memory added by the engine: %.0f MB (resident %.0f -> %.0f MB)\n", memoryAfter - memoryBefore,
                    memoryBefore, memoryAfter);
        engine.reset();
    }
    std::filesystem::remove_all(folder);
}

struct Level {
    float peak = 0;
    double squares = 0;
    std::size_t frames = 0;
    void add(const std::vector<float>& left, const std::vector<float>& right)
    {
        for (std::size_t i = 0; i < left.size(); ++i) {
            peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
            squares += 0.5 * (double(left[i]) * left[i] + double(right[i]) * right[i]);
        }
        frames += left.size();
    }
    double rms() const { return frames ? std::sqrt(squares / double(frames)) : 0; }
};

double threadCPUSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Plays the piano offline in 128-frame periods, keeping its level, the most
// voices it sounded and the longest a period took to render.
struct OfflinePlayer {
    static constexpr std::uint32_t period = 128;
    explicit OfflinePlayer(SoundFontPiano& p) : piano(&p) {}
    SoundFontPiano* piano;
    Level level;
    int mostVoices = 0;
    double mostVoicesAt = 0;
    double seconds = 0;
    double longestPeriod = 0;

    void runFor(double duration)
    {
        std::vector<float> left(period), right(period);
        if (duration <= 0) return; // whole periods may have run a little past the time asked for
        const auto frames = std::size_t(duration * sampleRate);
        for (std::size_t done = 0; done < frames; done += period) {
            const double began = threadCPUSeconds();
            piano->render(left.data(), right.data(), period);
            longestPeriod = std::max(longestPeriod, threadCPUSeconds() - began);
            level.add(left, right);
            seconds += period / sampleRate;
            if (piano->activeVoiceCount() > mostVoices) {
                mostVoices = piano->activeVoiceCount();
                mostVoicesAt = seconds;
            }
        }
    }
    void strikeChord(std::uint8_t velocity)
    {
        for (auto note : tenNoteChord) piano->handle(MIDIInstrumentCommand::noteOn(note, velocity, 0));
    }
};

struct TimedCommand {
    double seconds;
    MIDIInstrumentCommand command;
};

std::vector<TimedCommand> demoCommands(const std::filesystem::path& file)
{
    const MIDITimeline timeline(StandardMIDIFileParser().parseContentsOf(file));
    std::vector<TimedCommand> commands;
    for (const auto& span : timeline.noteSpans()) {
        commands.push_back({span.startSeconds, MIDIInstrumentCommand::noteOn(span.note, span.velocity, span.channel)});
        commands.push_back({span.endSeconds, MIDIInstrumentCommand::noteOff(span.note, span.channel)});
    }
    std::stable_sort(commands.begin(), commands.end(),
                     [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    return commands;
}

// Plays the demo (with the pedal held when asked, and the chord at `chordAt`); ends 2 s after its last note.
OfflinePlayer playDemo(SoundFontPiano& piano, const std::vector<TimedCommand>& commands, bool pedal,
                       std::optional<double> chordAt)
{
    piano.prepare(sampleRate);
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        piano.handle(MIDIInstrumentCommand::controlChange(64, 0, channel));
        piano.handle(MIDIInstrumentCommand::controlChange(123, 0, channel));
    }
    OfflinePlayer(piano).runFor(3); // the released notes of a previous run die away
    OfflinePlayer player(piano);
    if (pedal)
        for (std::uint8_t channel = 0; channel < 16; ++channel)
            piano.handle(MIDIInstrumentCommand::controlChange(64, 127, channel));
    bool chordStruck = !chordAt;
    for (const auto& timed : commands) {
        if (!chordStruck && *chordAt <= timed.seconds) {
            player.runFor(*chordAt - player.seconds);
            player.strikeChord(120);
            chordStruck = true;
        }
        if (timed.seconds > player.seconds) player.runFor(timed.seconds - player.seconds);
        piano.handle(timed.command);
    }
    player.runFor(2);
    return player;
}

void measureLevels(const std::filesystem::path& soundFont)
{
    SoundFontPiano piano(soundFont, sampleRate);
    std::printf("  offline at gain %.2f, polyphony %d:\n", SoundFontPiano::gain, SoundFontPiano::polyphony);
    {
        // An output at another rate rebuilds the synth on the main thread.
        const auto began = Clock::now();
        piano.prepare(44100);
        const auto rebuilt = Clock::now() - began;
        piano.prepare(sampleRate);
        std::printf("  rebuilt for 44.1 kHz in %.1f ms\n", milliseconds(rebuilt));
    }
    {
        OfflinePlayer chord(piano);
        chord.strikeChord(120);
        chord.runFor(3);
        std::printf("  ten-note chord at velocity 120: peak %.1f dBFS, %d voices\n", decibels(chord.level.peak),
                    chord.mostVoices);
    }
#ifdef BRELMO_DEMO_FOLDER
    std::printf("  %-14s %12s %12s %24s %s\n", "demo", "peak (dBFS)", "RMS (dBFS)", "voices, pedal + chord",
                "  longest period rendered then");
    for (const auto& entry : std::filesystem::directory_iterator(BRELMO_DEMO_FOLDER)) {
        if (entry.path().extension() != ".mid") continue;
        const auto commands = demoCommands(entry.path());
        const auto played = playDemo(piano, commands, false, std::nullopt);
        const auto pedalled = playDemo(piano, commands, true, std::nullopt);
        // The chord where the pedalled piece is densest, a little before its peak voice count.
        const auto withChord = playDemo(piano, commands, true, std::max(0.0, pedalled.mostVoicesAt - 0.05));
        const double period = OfflinePlayer::period / sampleRate;
        std::printf("  %-14s %12.1f %12.1f %16d + chord %d %10.0f us (%.0f%%)\n", entry.path().stem().c_str(),
                    decibels(played.level.peak), decibels(played.level.rms()), pedalled.mostVoices,
                    withChord.mostVoices, withChord.longestPeriod * 1e6, withChord.longestPeriod / period * 100);
    }
#endif
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::optional<std::filesystem::path>> soundFonts;
    for (int i = 1; i < argc; ++i) soundFonts.emplace_back(argv[i]);
    if (soundFonts.empty()) soundFonts.emplace_back(std::nullopt);
    for (const auto& soundFont : soundFonts) {
        const auto file = soundFont ? *soundFont : BundledPiano::defaultSoundFontURL().value();
        std::printf("%s%s\n", soundFont ? "" : "bundled piano: ",
                    std::filesystem::weakly_canonical(file).c_str());
        std::fflush(stdout);
        // A process of its own for each, so that the memory it reports is its own.
        const pid_t child = ::fork();
        if (child == 0) {
            measureEngineStart(soundFont, false);
            measureLevels(file);
            std::fflush(stdout);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        // The application's way, in a process of its own too.
        const pid_t prepared = ::fork();
        if (prepared == 0) {
            measureEngineStart(soundFont, true);
            std::fflush(stdout);
            ::_exit(0);
        }
        ::waitpid(prepared, &status, 0);
    }
    return 0;
}
