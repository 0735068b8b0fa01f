#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

// The audio engine's own failures; `what()` is the Portuguese text shown to the user.
struct PianoAudioErrorCases {
    struct OutputDeviceSelectionFailed {
        std::int32_t status = 0;
        bool operator==(const OutputDeviceSelectionFailed&) const = default;
    };
    struct SoundFontMissing {
        bool operator==(const SoundFontMissing&) const = default;
    };
    struct CountInBufferUnavailable {
        bool operator==(const CountInBufferUnavailable&) const = default;
    };
    struct InvalidComponentDescription {
        bool operator==(const InvalidComponentDescription&) const = default;
    };
    struct ComponentIsNotMIDIInstrument {
        bool operator==(const ComponentIsNotMIDIInstrument&) const = default;
    };
    struct OutputUnitUnavailable {
        bool operator==(const OutputUnitUnavailable&) const = default;
    };
    using Case = std::variant<OutputDeviceSelectionFailed, SoundFontMissing, CountInBufferUnavailable,
                              InvalidComponentDescription, ComponentIsNotMIDIInstrument, OutputUnitUnavailable>;
};

class PianoAudioError : public PianoAudioErrorCases, public TypedError<PianoAudioErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    PianoAudioError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

    const std::string& localizedDescription() const { return description(); }

private:
    static std::string describe(const Case& c);
};

// An instrument that could not be built: a SoundFont that would not load, a
// plugin that would not instantiate. `what()` is Portuguese.
class InstrumentLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The audio output could not be opened or started. `what()` is Portuguese.
class AudioStartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace corvane
