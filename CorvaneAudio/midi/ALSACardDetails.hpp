#pragma once

#include <optional>
#include <string>

namespace corvane {

// Maker and model of the sound card behind an ALSA sequencer client.
struct ALSACardDetails {
    std::optional<std::string> manufacturer;
    std::optional<std::string> model;
    bool operator==(const ALSACardDetails&) const = default;
};

// From the card's name and long name. USB devices are named by their product
// ("Keystation 49"), and their long name puts the maker before it and the bus
// after it ("M-Audio Keystation 49 at usb-0000:00:14.0-2, full speed"); the
// maker is what comes before the product there, absent otherwise.
ALSACardDetails alsaCardDetails(const std::string& name, const std::string& longName);

} // namespace corvane
