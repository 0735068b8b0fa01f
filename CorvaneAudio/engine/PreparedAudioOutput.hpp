#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneAudio/output/AudioHostAPI.hpp"
#include "CorvaneAudio/output/AudioOutputDevice.hpp"

namespace corvane {

class AudioOutputStream;

// The engine's output stream, found and opened before the engine exists.
// Finding the sound system, listing its devices and opening a stream hold
// the caller for a hundred milliseconds and more (JACK opens a client for
// each), so the application does it on a worker thread and makes the engine
// from the result on the main thread.
struct PreparedAudioOutput {
    std::unique_ptr<AudioOutputStream> stream;
    // The devices as they were listed while preparing.
    std::vector<AudioOutputDevice> devices;
    // The device the stream opened on (absent: the default output); the
    // stream is closed when opening was not asked for or failed.
    std::optional<std::string> openedUID;

    PreparedAudioOutput();
    PreparedAudioOutput(PreparedAudioOutput&&) noexcept;
    PreparedAudioOutput& operator=(PreparedAudioOutput&&) noexcept;
    ~PreparedAudioOutput();

    // Any thread. On `api`, or on the first sound system with an output
    // device; opens on `preferredUID` when that device exists, else on the
    // default output, when `open`. A device that refuses to open leaves the
    // stream closed: the engine's start tries again and says why. Throws
    // PianoAudioError (outputUnitUnavailable) when there is no output device.
    static PreparedAudioOutput prepare(std::optional<AudioHostAPI> api, const std::optional<std::string>& preferredUID,
                                       bool open);
};

} // namespace corvane
