#pragma once

#include "CorvaneAudio/midi/MIDIPortSystem.hpp"

#include <memory>
#include <optional>

namespace corvane {

// The device monitor's MIDI system with its client and output port made, and,
// when prepared here, its ports listed once before the monitor exists. The server's answer to a new client and
// the first listing (JACK opens its metadata store then) hold the caller for
// tens of milliseconds, so the application does both on a worker thread and
// makes the monitor from the result on the main thread.
struct PreparedMIDIPortSystem {
    std::unique_ptr<MIDIPortSystem> system;

    // Any thread. Without an API, the ALSA sequencer where it exists, else
    // JACK. Throws MIDIDeviceMonitorError when the MIDI system cannot be used.
    static PreparedMIDIPortSystem prepare(std::optional<MIDIApi> api);
    // A system of the caller's choosing with its client and output port made.
    // Throws MIDIDeviceMonitorError when either fails.
    static PreparedMIDIPortSystem made(std::unique_ptr<MIDIPortSystem> system);
};

} // namespace corvane
