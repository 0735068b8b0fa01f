#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// One labelled value of an enumerated (or annotated) control port.
struct LV2ScalePoint {
    std::string label;
    float value = 0;

    bool operator==(const LV2ScalePoint&) const = default;
};

// What an editor needs to know of one input control port, as the plugin's
// description states it. Bounds the plugin leaves out are NaN.
struct LV2ParameterDescriptor {
    std::uint32_t port = 0;
    std::string symbol;
    std::string name;
    float minimum = 0;
    float maximum = 1;
    float defaultValue = 0;
    bool isInteger = false;
    bool isToggled = false;
    bool isEnumeration = false;
    // In ascending order of value.
    std::vector<LV2ScalePoint> scalePoints;
    bool isLogarithmic = false;
    // The plugin asks hosts not to show this port.
    bool isNotOnGUI = false;
    // The port's unit (LV2 units): its symbol ("Hz") and its printf-style
    // rendering ("%.1f dB"); empty when the port declares none.
    std::string unitSymbol;
    std::string unitFormat;

    bool operator==(const LV2ParameterDescriptor&) const = default;
};

} // namespace corvane
