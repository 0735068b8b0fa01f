#include "CorvaneAudio/midi/JackPortDetails.hpp"

#include <algorithm>

namespace corvane {

std::optional<std::string> jackAliasDeviceName(const std::string& alias, const std::string& portClient)
{
    const auto colon = alias.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    const std::string client = alias.substr(0, colon);
    if (client == "alsa_pcm" || client == "alsa_midi") {
        std::string device = alias.substr(colon + 1, alias.find('/', colon + 1) - colon - 1);
        std::replace(device.begin(), device.end(), '-', ' ');
        if (device.empty()) return std::nullopt;
        return device;
    }
    if (client == portClient) return std::nullopt;
    return client;
}

JackPortDetails jackPortDetails(const std::optional<std::string>& prettyName,
                                const std::optional<std::string>& hardware, const std::string& firstAlias,
                                const std::string& secondAlias, const std::string& portClient)
{
    JackPortDetails details;
    if (hardware && !hardware->empty()) details.manufacturer = hardware;
    if (prettyName && !prettyName->empty()) {
        details.model = prettyName;
    } else if (auto device = jackAliasDeviceName(firstAlias, portClient)) {
        details.model = std::move(device);
    } else {
        details.model = jackAliasDeviceName(secondAlias, portClient);
    }
    return details;
}

} // namespace corvane
