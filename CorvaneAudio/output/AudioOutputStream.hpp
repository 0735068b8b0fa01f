#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CorvaneAudio/output/AudioHostAPI.hpp"
#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"
#include "CorvaneAudio/AudioThreadScheduling.hpp"

class RtAudio;

namespace corvane {

class AudioRenderCore;

// A device that refused to open, with the sound system's error code.
class AudioOutputOpenError : public std::runtime_error {
public:
    AudioOutputOpenError(std::int32_t status, const std::string& message)
        : std::runtime_error(message), status_(status)
    {
    }
    std::int32_t status() const { return status_; }

private:
    std::int32_t status_;
};

// The one output stream: stereo (or mono) 32-bit float, non-interleaved,
// whose callback runs the render core. Main thread only.
//
// The callback's thread asks for real-time scheduling: through RtAudio where
// RtAudio makes the thread, and on its first run where the thread is the
// sound system's own (JACK's). Where the system refuses, it plays on with
// ordinary scheduling. What it got is written to the log once it is known.
class AudioOutputStream {
public:
    // Null when the API cannot be used at all.
    static std::unique_ptr<AudioOutputStream> make(AudioHostAPI api, AudioRenderCore& core, std::string clientName);
    // Without its render core yet: it may be opened (on any thread) before
    // the core exists, and is attached to it before it starts.
    static std::unique_ptr<AudioOutputStream> make(AudioHostAPI api, std::string clientName);
    void attach(AudioRenderCore& core) { core_ = &core; }
    AudioHostAPI api() const { return api_; }
    ~AudioOutputStream();

    std::vector<AudioDeviceProbe> probe();
    std::vector<AudioOutputDevice> devices();
    std::optional<std::uint32_t> defaultDeviceID();

    // Opens on the device with this unique id, or on the default output when
    // absent; the stream does not run yet. Throws AudioOutputOpenError.
    void open(const std::optional<std::string>& uid);
    // The same with the devices just probed: each probe of some sound
    // systems (JACK's) costs tens of milliseconds.
    void open(const std::optional<std::string>& uid, const std::vector<AudioDeviceProbe>& probes);
    void close();
    bool isOpen() const;
    // Throws AudioStartError.
    void start();
    // After it returns the callback no longer runs.
    void stop();
    bool isRunning() const;

    double sampleRate() const { return sampleRate_; }
    // How the callback's thread is scheduled; absent until its first run after a start.
    std::optional<AudioThreadScheduling> scheduling() const;

private:
    struct SchedulingProbe;
    static void reportSchedulingWhenKnown(const std::shared_ptr<SchedulingProbe>& probe, int attemptsLeft);

    AudioOutputStream(AudioHostAPI api, std::unique_ptr<RtAudio> audio, std::string clientName);
    static int callback(void* output, void* input, unsigned frames, double streamTime, unsigned status, void* user);

    AudioHostAPI api_;
    std::unique_ptr<RtAudio> audio_;
    AudioRenderCore* core_ = nullptr;
    std::string clientName_;
    double sampleRate_ = 0;
    unsigned channels_ = 0;
    // Shared with the pending log report, which may outlive the stream.
    std::shared_ptr<SchedulingProbe> scheduling_;
};

} // namespace corvane
