#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

namespace corvane {

// The audio engine's own failures; `what()` is the Portuguese text shown to the user.
class PianoAudioError : public std::exception {
public:
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

    template <class C>
        requires std::is_constructible_v<Case, C>
    PianoAudioError(C c) : error_(std::move(c)), description_(describe(error_)) {}

    const Case& error() const { return error_; }
    template <class C> const C* as() const { return std::get_if<C>(&error_); }

    const std::string& localizedDescription() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const PianoAudioError& other) const { return error_ == other.error_; }

private:
    static std::string describe(const Case& c);
    Case error_;
    std::string description_;
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
