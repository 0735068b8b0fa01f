#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvane {

// A device that refused to open, with the sound system's error code.
class AudioOutputOpenError : public std::runtime_error {
public:
    AudioOutputOpenError(std::int32_t status, const std::string& message)
        : std::runtime_error(message), status_(status)
    {
    }
    std::int32_t status() const { return status_; }

private:
    std::int32_t status_;
};

} // namespace corvane
