#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneAudio/output/AudioHostAPI.hpp"
#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"
#include "CorvaneAudio/output/AudioOutputOpenError.hpp"
#include "CorvaneAudio/AudioThreadScheduling.hpp"

class RtAudio;

namespace corvane {

class AudioRenderCore;
class JackOutputClient;

// The one output stream: stereo (or mono) 32-bit float, non-interleaved,
// whose callback runs the render core. Main thread only. RtAudio lists and
// plays PulseAudio's and ALSA's devices; JACK's are listed through a client of
// our own (listJackDevices) and played by another (JackOutputClient), both
// of which outlive their server.
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
    // A stream that was started and no longer runs, its sound server gone
    // (or its device, where the sound system stops the stream itself), is
    // closed here: true when this call found it so. The getters above only
    // tell what the last such check left.
    bool closeIfLost();

    double sampleRate() const { return sampleRate_; }
    // How the callback's thread is scheduled; absent until its first run after a start.
    std::optional<AudioThreadScheduling> scheduling() const;

private:
    struct SchedulingProbe;
    static void reportSchedulingWhenKnown(const std::shared_ptr<SchedulingProbe>& probe, int attemptsLeft);

    AudioOutputStream(AudioHostAPI api, std::unique_ptr<RtAudio> audio, std::string clientName);
    static int callback(void* output, void* input, unsigned frames, double streamTime, unsigned status, void* user);
    static void render(float* const* channels, unsigned channelCount, std::uint32_t frames, void* user);

    AudioHostAPI api_;
    std::unique_ptr<RtAudio> audio_;
    std::unique_ptr<JackOutputClient> jack_; // the open stream on JACK
    AudioRenderCore* core_ = nullptr;
    std::string clientName_;
    double sampleRate_ = 0;
    unsigned channels_ = 0;
    bool started_ = false; // started, and not stopped or closed since
    // Shared with the pending log report, which may outlive the stream.
    std::shared_ptr<SchedulingProbe> scheduling_;
};

} // namespace corvane
