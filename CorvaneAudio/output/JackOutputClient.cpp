#include "CorvaneAudio/output/JackOutputClient.hpp"

#include <string_view>
#include <utility>

#include "CorvaneAudio/JackClientRegistry.hpp"
#include "CorvaneAudio/output/AudioOutputOpenError.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"

namespace corvane {

JackOutputClient::JackOutputClient(const std::string& name, std::string device, unsigned channelCount, Render render,
                                   void* user)
    : device_(std::move(device)), channelCount_(channelCount < 2 ? 1 : 2), render_(render), user_(user)
{
    jack_status_t status{};
    // Closed for us once any client of ours hears that the server is gone.
    client_ = JackClientRegistry::open(name, JackNoStartServer, &status, [this] {
        client_ = nullptr;
        active_ = false;
    });
    if (!client_) throw AudioOutputOpenError(static_cast<std::int32_t>(status), "servidor JACK indisponível");
    sampleRate_ = jack_get_sample_rate(client_);
    jack_on_info_shutdown(client_, &JackOutputClient::serverGone, this);
    bool ready = jack_set_process_callback(client_, &JackOutputClient::process, this) == 0;
    for (unsigned i = 0; ready && i < channelCount_; ++i) {
        const std::string port = "outport " + std::to_string(i);
        ports_[i] = jack_port_register(client_, port.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        ready = ports_[i] != nullptr;
    }
    if (!ready) {
        close();
        throw AudioOutputOpenError(static_cast<std::int32_t>(JackFailure), "portas do JACK recusadas");
    }
}

JackOutputClient::~JackOutputClient() { close(); }

void JackOutputClient::start()
{
    closeIfServerGone();
    if (!isOpen() || jack_activate(client_) != 0) throw AudioStartError("A saída de áudio não pôde ser iniciada.");
    active_ = true;
    // The device's playback ports, in the server's order; the first ones take ours.
    const std::string prefix = device_ + ':';
    unsigned wired = 0;
    if (const char** targets = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput)) {
        for (std::size_t i = 0; targets[i] && wired < channelCount_; ++i)
            if (std::string_view(targets[i]).starts_with(prefix) &&
                jack_connect(client_, jack_port_name(ports_[wired]), targets[i]) == 0)
                ++wired;
        jack_free(targets);
    }
    if (wired == 0) {
        stop();
        throw AudioStartError("A saída de áudio não pôde ser ligada a " + device_ + ".");
    }
}

void JackOutputClient::stop()
{
    closeIfServerGone();
    if (!isRunning()) return;
    jack_deactivate(client_);
    active_ = false;
}

void JackOutputClient::closeIfServerGone() { JackClientRegistry::closeIfServerGone(); }

void JackOutputClient::close()
{
    if (client_) JackClientRegistry::close(client_);
    client_ = nullptr;
    active_ = false;
}

int JackOutputClient::process(jack_nframes_t frames, void* argument)
{
    // Closing the client after the server's death cancels this thread at
    // once: the render in progress is finished first.
    runUncancellable([&] {
        auto* self = static_cast<JackOutputClient*>(argument);
        std::array<float*, 2> channels{};
        for (unsigned i = 0; i < self->channelCount_; ++i)
            channels[i] = static_cast<float*>(jack_port_get_buffer(self->ports_[i], frames));
        self->render_(channels.data(), self->channelCount_, frames, self->user_);
    });
    return 0;
}

// On libjack's notification thread, or its process thread when that finds
// the server gone first.
void JackOutputClient::serverGone(jack_status_t, const char*, void*)
{
    runUncancellable([] { JackClientRegistry::serverGone(); });
}

} // namespace corvane
