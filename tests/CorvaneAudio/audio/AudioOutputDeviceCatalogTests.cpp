#include <gtest/gtest.h>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"
#include "JackRecorder.hpp"

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

TEST(AudioOutputDeviceCatalog, JackClientsWithInputPortsAreOutputDevices)
{
    sharedJackServer();
    JackRecorder recorder("catalog-listener");
    const auto devices = AudioOutputDeviceCatalog::discover(AudioHostAPI::jack);
    std::vector<std::string> uids;
    for (const auto& d : devices) uids.push_back(d.uid);
    EXPECT_EQ(uids, (std::vector<std::string>{"jack:catalog-listener", "jack:system"}));
    EXPECT_TRUE(AudioOutputDeviceCatalog::defaultOutputDeviceID(AudioHostAPI::jack));
}

} // namespace
