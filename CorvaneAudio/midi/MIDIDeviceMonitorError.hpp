#pragma once

#include "CorvaneAudio/midi/MIDIStatus.hpp"

#include <stdexcept>
#include <string>
#include <variant>

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

// Why the MIDI device monitor could not be created; carries the status of the
// failed step and no user-facing text.
struct MIDIDeviceMonitorErrorCases {
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
};

class MIDIDeviceMonitorError : public MIDIDeviceMonitorErrorCases, public TypedError<MIDIDeviceMonitorErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    MIDIDeviceMonitorError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

private:
    static std::string describe(const Case& c);
};

} // namespace corvane
