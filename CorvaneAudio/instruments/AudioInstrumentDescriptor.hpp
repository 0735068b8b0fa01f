#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "CorvaneAudio/instruments/AudioComponentDescription.hpp"
#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/RawValueEnum.hpp"

namespace corvane {

// One instrument the engine can load: the built-in SoundFont piano, or an
// LV2 instrument plugin. Only `id` is stored.
struct AudioInstrumentDescriptor {
    enum class Kind { bundledSoundFont, audioUnit };

    std::string id;
    Kind kind = Kind::bundledSoundFont;
    std::string name;
    std::string manufacturerName;
    std::uint32_t componentType = 0;
    std::uint32_t componentSubType = 0;
    std::uint32_t componentManufacturer = 0;
    std::uint32_t componentFlags = 0;
    std::uint32_t componentFlagsMask = 0;
    bool hasCustomView = false;
    bool isSandboxSafe = false;
    bool passesValidation = false;

    // Absent for the built-in piano.
    std::optional<AudioComponentDescription> componentDescription() const;

    static const AudioInstrumentDescriptor& bundledPiano();

    bool operator==(const AudioInstrumentDescriptor&) const = default;
};

template <> struct RawValues<AudioInstrumentDescriptor::Kind> {
    static constexpr std::array<std::pair<AudioInstrumentDescriptor::Kind, std::string_view>, 2> cases{{
        {AudioInstrumentDescriptor::Kind::bundledSoundFont, "bundledSoundFont"},
        {AudioInstrumentDescriptor::Kind::audioUnit, "audioUnit"},
    }};
};

// All twelve members required; the component codes must fit 32 bits unsigned.
template <> struct JSONCoder<AudioInstrumentDescriptor> {
    static nlohmann::json encode(const AudioInstrumentDescriptor& value, const std::string& codingPath);
    static AudioInstrumentDescriptor decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane

template <> struct std::hash<corvane::AudioInstrumentDescriptor> {
    std::size_t operator()(const corvane::AudioInstrumentDescriptor& descriptor) const noexcept;
};
