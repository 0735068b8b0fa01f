#pragma once

#include "CorvaneAudio/MIDIStatus.hpp"

#include <stdexcept>
#include <string>
#include <variant>

namespace corvane {

// Why the MIDI device monitor could not be created; carries the status of the
// failed step and no user-facing text.
class MIDIDeviceMonitorError : public std::exception {
public:
    struct ClientCreationFailed {
        MIDIStatus status = 0;
        bool operator==(const ClientCreationFailed&) const = default;
    };
    struct InputPortCreationFailed {
        MIDIStatus status = 0;
        bool operator==(const InputPortCreationFailed&) const = default;
    };
    struct OutputPortCreationFailed {
        MIDIStatus status = 0;
        bool operator==(const OutputPortCreationFailed&) const = default;
    };
    using Case = std::variant<ClientCreationFailed, InputPortCreationFailed, OutputPortCreationFailed>;

    template <class C>
        requires std::is_constructible_v<Case, C>
    MIDIDeviceMonitorError(C c) : error_(std::move(c)), description_(describe(error_)) {}

    const Case& error() const { return error_; }
    template <class C> const C* as() const { return std::get_if<C>(&error_); }

    // For logs and test output only.
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const MIDIDeviceMonitorError& other) const { return error_ == other.error_; }

private:
    static std::string describe(const Case& c);
    Case error_;
    std::string description_;
};

} // namespace corvane
