#pragma once

#include <memory>
#include <stdexcept>

#include "CorvaneApp/session/PracticeSessionEnvironment.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"

// An environment in which the controller can make no engine and no MIDI
// monitor of its own.
inline corvane::PracticeSessionEnvironment devicelessEnvironment()
{
    corvane::PracticeSessionEnvironment environment;
    environment.makeAudioEngine = [](corvane::DefaultsStore&) -> std::unique_ptr<corvane::PianoAudioEngine> {
        throw std::runtime_error("no engine in this test");
    };
    environment.makeMIDIDeviceMonitor = [](corvane::DefaultsStore&) -> std::unique_ptr<corvane::MIDIDeviceMonitor> {
        throw std::runtime_error("no MIDI in this test");
    };
    return environment;
}
