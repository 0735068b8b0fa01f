#include "CorvaneAudio/output/JackDeviceListing.hpp"

#include <map>
#include <string>

#include "CorvaneAudio/JackClientRegistry.hpp"

namespace corvane {

namespace {

std::string clientOf(const char* port)
{
    const std::string name(port);
    const auto colon = name.find(':');
    return colon == std::string::npos ? std::string() : name.substr(0, colon);
}

void serverGone(jack_status_t, const char*, void*)
{
    runUncancellable([] { JackClientRegistry::serverGone(); });
}

} // namespace

std::vector<AudioDeviceProbe> listJackDevices()
{
    jack_status_t status{};
    // Closed before the listing returns, so there is nothing to forget.
    jack_client_t* client = JackClientRegistry::open("Brelmo devices", JackNoStartServer, &status, {});
    if (!client) return {};
    jack_on_info_shutdown(client, &serverGone, nullptr);
    std::vector<AudioDeviceProbe> probes;
    // Audio ports only: a client with MIDI ports alone (a bridge, our own MIDI
    // client) cannot play sound. A client whose ports are not listed together
    // counts once for each run of them, as in RtAudio.
    if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, 0)) {
        for (std::size_t i = 0; ports[i]; ++i) {
            const std::string device = clientOf(ports[i]);
            if (!device.empty() && (probes.empty() || probes.back().name != device))
                probes.push_back(AudioDeviceProbe{true, device, 0, false});
        }
        jack_free(ports);
    }
    std::map<std::string, unsigned> inputs;
    if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput)) {
        for (std::size_t i = 0; ports[i]; ++i) ++inputs[clientOf(ports[i])];
        jack_free(ports);
    }
    JackClientRegistry::close(client);
    for (auto& probe : probes) probe.outputChannels = inputs[probe.name];
    if (!probes.empty() && probes.front().outputChannels > 0) probes.front().isDefaultOutput = true;
    return probes;
}

} // namespace corvane
