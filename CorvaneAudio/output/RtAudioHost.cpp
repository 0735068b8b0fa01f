#include "CorvaneAudio/output/RtAudioHost.hpp"

#include "CorvaneAudio/output/JackDeviceListing.hpp"

namespace corvane {

RtAudio::Api rtAudioAPI(AudioHostAPI api)
{
    switch (api) {
    case AudioHostAPI::pulseAudio: return RtAudio::LINUX_PULSE;
    case AudioHostAPI::alsa: return RtAudio::LINUX_ALSA;
    case AudioHostAPI::jack: return RtAudio::UNIX_JACK;
    }
    return RtAudio::UNSPECIFIED;
}

std::unique_ptr<RtAudio> makeRtAudio(AudioHostAPI api)
{
    try {
        auto audio = std::make_unique<RtAudio>(rtAudioAPI(api));
        if (audio->getCurrentApi() != rtAudioAPI(api)) return nullptr;
        audio->showWarnings(false);
        return audio;
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::vector<AudioDeviceProbe> probeDevices(RtAudio& audio)
{
    if (audio.getCurrentApi() == RtAudio::UNIX_JACK) return listJackDevices();
    std::vector<AudioDeviceProbe> probes;
    try {
        const unsigned count = audio.getDeviceCount();
        for (unsigned index = 0; index < count; ++index) {
            AudioDeviceProbe probe;
            try {
                const auto info = audio.getDeviceInfo(index);
                probe = AudioDeviceProbe{info.probed, info.name, info.outputChannels, info.isDefaultOutput};
            } catch (const std::exception&) {
                probe = AudioDeviceProbe{};
            }
            probes.push_back(std::move(probe));
        }
    } catch (const std::exception&) {
        return {};
    }
    return probes;
}

} // namespace corvane
