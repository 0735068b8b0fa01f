#pragma once

// What the session benchmarks share: a private JACK dummy server, a folder
// and defaults file of their own, the engine, MIDI monitor and stores made
// as the application makes them, dense generated songs, and percentiles.

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/session/PracticeSessionStoreProbe.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"
#include "DenseSong.hpp"
#include "support/JackTestServer.hpp"
#include "support/SMFWriter.hpp"

namespace sessionbench {

using Clock = std::chrono::steady_clock;

inline double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

struct Summary {
    std::size_t count = 0;
    double median = 0, p99 = 0, maximum = 0, mean = 0;
};

inline Summary summarize(std::vector<double> values)
{
    Summary s;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, static_cast<std::size_t>(q * double(values.size() - 1) + 0.5))];
    };
    s.median = at(0.5);
    s.p99 = at(0.99);
    s.maximum = values.back();
    double sum = 0;
    for (double v : values) sum += v;
    s.mean = sum / double(values.size());
    return s;
}

inline void print(const char* what, const std::vector<double>& values, const char* unit)
{
    const auto s = summarize(values);
    std::printf("  %-40s n=%-6zu median %9.3f %s   p99 %9.3f %s   max %9.3f %s\n", what, s.count, s.median, unit,
                s.p99, unit, s.maximum, unit);
}

// Spins the Qt event loop until `done` holds or the time is up.
template <class Predicate> bool processEventsUntil(Predicate done, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void processEventsFor(std::chrono::milliseconds duration)
{
    processEventsUntil([] { return false; }, duration);
}

// A temporary folder, removed afterwards.
class Folder {
public:
    Folder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "brelmo-session-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path write(const std::string& name, const smf::Bytes& bytes) const
    {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

// The stores of one defaults file, with the application's limits.
struct Stores {
    explicit Stores(corvane::DefaultsStore& defaults)
        : progress(defaults, corvane::PracticeProgressStore::applicationMaximumHistoryCount),
          loops(defaults, corvane::PracticeLoopStore::applicationMaximumPerSong), tracks(defaults)
    {
    }
    corvane::PracticeProgressStore progress;
    corvane::PracticeLoopStore loops;
    corvane::PracticeTrackStore tracks;
};

// The engine and MIDI monitor on JACK, the stores, and a controller on them.
struct Session {
    explicit Session(const std::filesystem::path& defaultsFile,
                     corvane::PracticeSessionEnvironment environment = {})
        : defaults(defaultsFile)
    {
        engine = std::make_unique<corvane::PianoAudioEngine>(defaults, corvane::AudioHostAPI::jack);
        monitor = std::make_unique<corvane::MIDIDeviceMonitor>(defaults, corvane::MIDIApi::jack);
        stores = std::make_unique<Stores>(defaults);
        // The demo pieces where the application finds them.
        if (environment.demoBundles.empty()) environment.demoBundles = corvane::StudioResourceBundle::candidates();
        controller = std::make_unique<corvane::PracticeSessionStore>(stores->progress, stores->loops, stores->tracks,
                                                                     monitor.get(), engine.get(), defaults,
                                                                     corvane::PracticeSessionStore::CountInSleep{},
                                                                     corvane::PracticeSessionStore::CountInClick{},
                                                                     std::move(environment));
    }
    ~Session()
    {
        controller.reset();
        monitor.reset();
        engine.reset();
    }

    // Opens the song and starts it playing; false when it would not.
    bool openAndPlay(const std::filesystem::path& song)
    {
        auto& c = *controller;
        c.loadMIDI(song);
        if (c.lastImportError()) {
            std::fprintf(stderr, "load failed: %s\n", c.lastImportError()->c_str());
            return false;
        }
        if (!processEventsUntil([&] { return engine->currentRenderClockInstant().has_value(); },
                                std::chrono::seconds(10)))
            return false;
        // Many playable tracks: the controller first asks which hand plays which.
        c.dismissTrackSelection();
        if (!c.isPlaying()) c.togglePlayback();
        return c.isPlaying();
    }

    corvane::DefaultsStore defaults;
    std::unique_ptr<corvane::PianoAudioEngine> engine;
    std::unique_ptr<corvane::MIDIDeviceMonitor> monitor;
    std::unique_ptr<Stores> stores;
    std::unique_ptr<corvane::PracticeSessionStore> controller;
};

inline void printLoad()
{
    double load[3] = {0, 0, 0};
    if (::getloadavg(load, 3) == 3)
        std::printf("machine load average: %.2f %.2f %.2f on %u cores\n", load[0], load[1], load[2],
                    std::thread::hardware_concurrency());
}

} // namespace sessionbench
