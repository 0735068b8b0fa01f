#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "CorvaneApp/session/BundledDemoSong.hpp"
#include "CorvaneDomain/Date.hpp"

namespace corvane {

class BookmarkService;
class DefaultsStore;
class MIDIDeviceMonitor;
class PianoAudioEngine;

// What the session controller reaches beyond its arguments; every member
// left empty takes the application's own, and tests replace them.
struct PracticeSessionEnvironment {
    // Create the engine or the monitor when none was handed in; a throw
    // leaves it absent.
    std::function<std::unique_ptr<PianoAudioEngine>(DefaultsStore&)> makeAudioEngine;
    std::function<std::unique_ptr<MIDIDeviceMonitor>(DefaultsStore&)> makeMIDIDeviceMonitor;
    // Bookmarks and access of user files; the plain file system by default.
    BookmarkService* bookmarks = nullptr;
    // The folders the demo files are looked for in, in order: the
    // application gives its resource bundles. Without any, no demo is found.
    std::vector<std::filesystem::path> demoBundles;
    // The demo files; looked up in `demoBundles` by default.
    std::function<std::optional<std::filesystem::path>(BundledDemoSong)> demoResourceURL;
    // The wall clock for metrics and progress dates.
    std::function<Date()> now;
    // Told of every timeline event the tick sends: its song time, and the
    // song position at the moment it left. For timing measurements.
    std::function<void(double eventSeconds, double sentAtSeconds)> playbackEventSent;
    // Told of every note-on the song sends to the audio engine: its note,
    // channel, and the render-clock time it is due at. For timing measurements.
    std::function<void(std::uint8_t note, std::uint8_t channel, double dueClockSeconds)> playbackNoteOnSent;
    // False sends each event to the engine only when it falls due, as the
    // external MIDI output is always sent: for benchmarks that compare the two.
    bool sendsPlaybackAhead = true;
    // How far ahead of the render clock the song is sent; absent: one tick
    // and two of the output's cycles, plus a margin. For benchmarks.
    std::optional<double> playbackLookAheadSeconds;
};

} // namespace corvane
