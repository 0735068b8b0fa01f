#include "CorvaneAudio/midi/ALSACardDetails.hpp"

namespace corvane {

ALSACardDetails alsaCardDetails(const std::string& name, const std::string& longName)
{
    ALSACardDetails details;
    if (name.empty()) return details;
    details.model = name;
    const auto at = longName.find(" at ");
    const std::string device = longName.substr(0, at);
    if (device.size() > name.size() + 1 && device.ends_with(" " + name)) {
        std::string maker = device.substr(0, device.size() - name.size() - 1);
        while (!maker.empty() && maker.back() == ' ') maker.pop_back();
        if (!maker.empty()) details.manufacturer = std::move(maker);
    }
    return details;
}

} // namespace corvane
