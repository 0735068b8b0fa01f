#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneAudio/output/AudioHostAPI.hpp"
#include "CorvaneAudio/output/AudioOutputDevice.hpp"

namespace corvane {

// What the sound system reports about one device, in its own order.
struct AudioDeviceProbe {
    bool probed = false; // false when the device could not be read
    std::string name;
    unsigned outputChannels = 0;
    bool isDefaultOutput = false;
};

// The output devices of one sound system, by name.
namespace AudioOutputDeviceCatalog {

// Never fails: an empty list when the devices cannot be read.
std::vector<AudioOutputDevice> discover(AudioHostAPI api);
// Absent when there is no output device.
std::optional<std::uint32_t> defaultOutputDeviceID(AudioHostAPI api);

// Devices that can play sound, sorted stably by name (localized, ignoring
// case). `id` is the position in `probes` plus one; `uid` is the API's name
// and the device's name ("jack:system"), with "#2", "#3"... for later devices
// of the same name.
std::vector<AudioOutputDevice> devices(AudioHostAPI api, const std::vector<AudioDeviceProbe>& probes);
// The system's default output: its flagged device when it can play, else the
// first device that can; absent when none can.
std::optional<std::uint32_t> defaultOutputDeviceID(const std::vector<AudioDeviceProbe>& probes);

} // namespace AudioOutputDeviceCatalog

} // namespace corvane
