#include "CorvaneAudio/instruments/AudioComponentDescription.hpp"

#include <cstdio>

namespace corvane {

std::string componentID(const AudioComponentDescription& description)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08X-%08X-%08X", description.componentType, description.componentSubType,
                  description.componentManufacturer);
    return text;
}

} // namespace corvane
