#include "CorvaneAudio/output/AudioHostAPI.hpp"

#include <algorithm>

#include "CorvaneAudio/output/AudioOutputDeviceCatalog.hpp"
#include "CorvaneAudio/output/RtAudioHost.hpp"

namespace corvane {

std::string_view audioHostAPIName(AudioHostAPI api)
{
    switch (api) {
    case AudioHostAPI::pulseAudio: return "pulse";
    case AudioHostAPI::alsa: return "alsa";
    case AudioHostAPI::jack: return "jack";
    }
    return "";
}

std::vector<AudioHostAPI> availableAudioHostAPIs()
{
    std::vector<RtAudio::Api> compiled;
    RtAudio::getCompiledApi(compiled);
    std::vector<AudioHostAPI> apis;
    for (auto api : {AudioHostAPI::pulseAudio, AudioHostAPI::alsa, AudioHostAPI::jack})
        if (std::find(compiled.begin(), compiled.end(), rtAudioAPI(api)) != compiled.end()) apis.push_back(api);
    return apis;
}

std::optional<AudioHostAPI> preferredAudioHostAPI()
{
    for (auto api : availableAudioHostAPIs()) {
        auto audio = makeRtAudio(api);
        if (!audio) continue;
        if (AudioOutputDeviceCatalog::defaultOutputDeviceID(probeDevices(*audio))) return api;
    }
    return std::nullopt;
}

} // namespace corvane
