#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"

#include <algorithm>
#include <map>

#include "CorvaneAudio/LocalizedCaseInsensitiveOrder.hpp"
#include "CorvaneAudio/output/RtAudioHost.hpp"

namespace corvane::AudioOutputDeviceCatalog {

namespace {

bool canPlay(const AudioDeviceProbe& probe) { return probe.probed && probe.outputChannels > 0 && !probe.name.empty(); }

} // namespace

std::vector<AudioOutputDevice> devices(AudioHostAPI api, const std::vector<AudioDeviceProbe>& probes)
{
    std::vector<AudioOutputDevice> result;
    std::map<std::string, int> seen;
    for (std::size_t index = 0; index < probes.size(); ++index) {
        const auto& probe = probes[index];
        if (!canPlay(probe)) continue;
        std::string uid = std::string(audioHostAPIName(api)) + ":" + probe.name;
        if (const int count = ++seen[probe.name]; count > 1) uid += "#" + std::to_string(count);
        result.push_back(AudioOutputDevice{static_cast<std::uint32_t>(index + 1), std::move(uid), probe.name});
    }
    std::stable_sort(result.begin(), result.end(), [](const auto& a, const auto& b) {
        return localizedCaseInsensitiveCompare(a.name, b.name) < 0;
    });
    return result;
}

std::optional<std::uint32_t> defaultOutputDeviceID(const std::vector<AudioDeviceProbe>& probes)
{
    for (std::size_t index = 0; index < probes.size(); ++index)
        if (probes[index].isDefaultOutput && canPlay(probes[index])) return static_cast<std::uint32_t>(index + 1);
    for (std::size_t index = 0; index < probes.size(); ++index)
        if (canPlay(probes[index])) return static_cast<std::uint32_t>(index + 1);
    return std::nullopt;
}

std::vector<AudioOutputDevice> discover(AudioHostAPI api)
{
    auto audio = makeRtAudio(api);
    if (!audio) return {};
    return devices(api, probeDevices(*audio));
}

std::optional<std::uint32_t> defaultOutputDeviceID(AudioHostAPI api)
{
    auto audio = makeRtAudio(api);
    if (!audio) return std::nullopt;
    return defaultOutputDeviceID(probeDevices(*audio));
}

} // namespace corvane::AudioOutputDeviceCatalog
