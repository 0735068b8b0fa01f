#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// A device that can play sound. `id` addresses it during this run (never 0);
// `uid` names it across runs and is what the choice is stored as.
struct AudioOutputDevice {
    std::uint32_t id = 0;
    std::string uid;
    std::string name;
    bool operator==(const AudioOutputDevice&) const = default;
};

} // namespace corvane
