#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"
#include "CorvaneAudio/output/JackDeviceListing.hpp"
#include "JackRecorder.hpp"
#include "support/JackTestClient.hpp"

using namespace corvane;

namespace {

AudioDeviceProbe device(std::string name, unsigned outputs, bool isDefault = false)
{
    return AudioDeviceProbe{true, std::move(name), outputs, isDefault};
}

TEST(AudioOutputDeviceCatalog, ListsOnlyReadableDevicesThatCanPlay)
{
    std::vector<AudioDeviceProbe> probes{device("Microphone", 0), device("speakers", 2), AudioDeviceProbe{},
                                         device("Headphones", 2), AudioDeviceProbe{false, "Broken", 2, false}};
    const auto devices = AudioOutputDeviceCatalog::devices(AudioHostAPI::alsa, probes);
    EXPECT_EQ(devices, (std::vector<AudioOutputDevice>{{4, "alsa:Headphones", "Headphones"},
                                                       {2, "alsa:speakers", "speakers"}}));
    EXPECT_TRUE(AudioOutputDeviceCatalog::devices(AudioHostAPI::alsa, {}).empty());
}

TEST(AudioOutputDeviceCatalog, SameNamesGetDistinctStableIDsInSystemOrder)
{
    const auto devices = AudioOutputDeviceCatalog::devices(
        AudioHostAPI::pulseAudio, {device("USB Audio", 2), device("Built-in", 2), device("USB Audio", 6)});
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[1].uid, "pulse:USB Audio");
    EXPECT_EQ(devices[1].id, 1u);
    EXPECT_EQ(devices[2].uid, "pulse:USB Audio#2");
    EXPECT_EQ(devices[2].id, 3u);
}

TEST(AudioOutputDeviceCatalog, DefaultIsTheFlaggedDeviceWhenItCanPlay)
{
    using AudioOutputDeviceCatalog::defaultOutputDeviceID;
    EXPECT_EQ(defaultOutputDeviceID({device("a", 2), device("b", 2, true)}), 2u);
    EXPECT_EQ(defaultOutputDeviceID({device("mic", 0, true), device("b", 2)}), 2u);
    EXPECT_FALSE(defaultOutputDeviceID({device("mic", 0, true)}));
    EXPECT_FALSE(defaultOutputDeviceID({}));
}

// A synthesizer's client: MIDI inputs on both sides of one audio input (a side
// chain), and an audio output.
class JackMixedClient {
public:
    explicit JackMixedClient(const std::string& name)
    {
        client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (!client_) throw std::runtime_error("no JACK server for the mixed client");
        const bool registered = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0) &&
                                jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0) &&
                                jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0) &&
                                jack_port_register(client_, "midi_in_2", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (!registered || jack_activate(client_) != 0) throw std::runtime_error("the mixed client could not start");
    }
    ~JackMixedClient() { jack_client_close(client_); }
    JackMixedClient(const JackMixedClient&) = delete;
    JackMixedClient& operator=(const JackMixedClient&) = delete;

private:
    jack_client_t* client_ = nullptr;
};

TEST(AudioOutputDeviceCatalog, JackOutputsCountAudioInputsAloneAndSystemIsTheDefault)
{
    sharedJackServer();
    JackRecorder recorder("catalog-listener");
    // A MIDI bridge's clients, as PipeWire's JACK shows them, and a synthesizer.
    JackTestClient bridgeIn("catalog-midi-bridge", "in", JackTestClient::Direction::instrument);
    JackTestClient bridgeOut("catalog-midi-source", "out", JackTestClient::Direction::keyboard);
    JackMixedClient synth("catalog-synth");

    std::map<std::string, unsigned> channels;
    for (const auto& probe : listJackDevices()) channels[probe.name] += probe.outputChannels;
    EXPECT_EQ(channels,
              (std::map<std::string, unsigned>{{"catalog-listener", 2}, {"catalog-synth", 1}, {"system", 2}}));

    const auto devices = AudioOutputDeviceCatalog::discover(AudioHostAPI::jack);
    std::vector<std::string> uids;
    for (const auto& d : devices) uids.push_back(d.uid);
    EXPECT_EQ(uids, (std::vector<std::string>{"jack:catalog-listener", "jack:catalog-synth", "jack:system"}));
    const auto chosen = AudioOutputDeviceCatalog::defaultOutputDeviceID(AudioHostAPI::jack);
    ASSERT_TRUE(chosen);
    const auto system = std::find_if(devices.begin(), devices.end(), [](const auto& d) { return d.name == "system"; });
    ASSERT_NE(system, devices.end());
    EXPECT_EQ(*chosen, system->id);
}

} // namespace
