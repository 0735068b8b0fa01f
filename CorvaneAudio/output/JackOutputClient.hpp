#pragma once

#include <jack/jack.h>

#include <array>
#include <cstdint>
#include <string>

namespace corvane {

// The output on JACK through a client of our own. RtAudio's JACK stream
// answers the server's death by closing itself from a thread it starts,
// while its notice is still being printed on libjack's thread, which that
// close cancels: now and then the program aborts. Here the notice is only
// noted, and the client is closed on its owner's thread (through
// JackClientRegistry, with the program's other clients) when the owner
// calls closeIfServerGone(), or before it starts or stops the client.
// Owner's thread only, except `render`.
class JackOutputClient {
public:
    // Runs on JACK's process thread with one or two buffers of `frames` samples to fill.
    using Render = void (*)(float* const* channels, unsigned channelCount, std::uint32_t frames, void* user);

    // The client `name` with `channelCount` (1 or 2) ports "outport 0"
    // and "outport 1", for the playback ports of the JACK client `device`.
    // Not active yet. Throws AudioOutputOpenError.
    JackOutputClient(const std::string& name, std::string device, unsigned channelCount, Render render, void* user);
    ~JackOutputClient();
    JackOutputClient(const JackOutputClient&) = delete;
    JackOutputClient& operator=(const JackOutputClient&) = delete;

    double sampleRate() const { return sampleRate_; }
    // Activates the client and wires its ports to the device's. Throws AudioStartError.
    void start();
    // After it returns `render` no longer runs.
    void stop();
    // Both false once the client has been closed, which after the server's
    // death happens at the next closeIfServerGone() here or elsewhere.
    bool isOpen() const { return client_ != nullptr; }
    bool isRunning() const { return isOpen() && active_; }
    // Closes every client of ours when their server has gone, this one included.
    void closeIfServerGone();

private:
    static int process(jack_nframes_t frames, void* argument);
    static void serverGone(jack_status_t, const char*, void* argument);
    // Waits for the process and notification threads to end.
    void close();

    jack_client_t* client_ = nullptr;
    std::string device_;
    unsigned channelCount_ = 0;
    std::array<jack_port_t*, 2> ports_{};
    Render render_;
    void* user_;
    double sampleRate_ = 0;
    bool active_ = false;
};

} // namespace corvane
