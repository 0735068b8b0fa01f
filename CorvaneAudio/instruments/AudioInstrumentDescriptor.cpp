#include "CorvaneAudio/instruments/AudioInstrumentDescriptor.hpp"

#include "CorvaneDomain/HashCombine.hpp"

#include <limits>

namespace corvane {

namespace {

struct ComponentCode {
    static nlohmann::json encode(std::uint32_t value) { return value; }
    static std::uint32_t decode(const JSONObjectReader& object, std::string_view key)
    {
        const auto number = object.required<std::int64_t>(key);
        if (number < 0 || number > std::numeric_limits<std::uint32_t>::max())
            throw JSONDecodingError(JSONDecodingError::DataCorrupted{
                object.codingPath(key), "Parsed JSON number <" + std::to_string(number) + "> does not fit in UInt32."});
        return static_cast<std::uint32_t>(number);
    }
};

} // namespace

std::optional<AudioComponentDescription> AudioInstrumentDescriptor::componentDescription() const
{
    if (kind == Kind::bundledSoundFont) return std::nullopt;
    return AudioComponentDescription{componentType, componentSubType, componentManufacturer, componentFlags,
                                     componentFlagsMask};
}

const AudioInstrumentDescriptor& AudioInstrumentDescriptor::bundledPiano()
{
    static const AudioInstrumentDescriptor piano{
        .id = "com.corvane.bundled-upright-piano",
        .kind = Kind::bundledSoundFont,
        .name = "Piano interno",
        .manufacturerName = "Brelmo",
        .hasCustomView = false,
        .isSandboxSafe = true,
        .passesValidation = true,
    };
    return piano;
}

nlohmann::json JSONCoder<AudioInstrumentDescriptor>::encode(const AudioInstrumentDescriptor& value,
                                                           const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("id", value.id);
    object.write("kind", value.kind);
    object.write("name", value.name);
    object.write("manufacturerName", value.manufacturerName);
    object.writeJSON("componentType", ComponentCode::encode(value.componentType));
    object.writeJSON("componentSubType", ComponentCode::encode(value.componentSubType));
    object.writeJSON("componentManufacturer", ComponentCode::encode(value.componentManufacturer));
    object.writeJSON("componentFlags", ComponentCode::encode(value.componentFlags));
    object.writeJSON("componentFlagsMask", ComponentCode::encode(value.componentFlagsMask));
    object.write("hasCustomView", value.hasCustomView);
    object.write("isSandboxSafe", value.isSandboxSafe);
    object.write("passesValidation", value.passesValidation);
    return object.take();
}

AudioInstrumentDescriptor JSONCoder<AudioInstrumentDescriptor>::decode(const nlohmann::json& json,
                                                                       const std::string& codingPath)
{
    const JSONObjectReader object(json, codingPath);
    return AudioInstrumentDescriptor{
        .id = object.required<std::string>("id"),
        .kind = object.required<AudioInstrumentDescriptor::Kind>("kind"),
        .name = object.required<std::string>("name"),
        .manufacturerName = object.required<std::string>("manufacturerName"),
        .componentType = ComponentCode::decode(object, "componentType"),
        .componentSubType = ComponentCode::decode(object, "componentSubType"),
        .componentManufacturer = ComponentCode::decode(object, "componentManufacturer"),
        .componentFlags = ComponentCode::decode(object, "componentFlags"),
        .componentFlagsMask = ComponentCode::decode(object, "componentFlagsMask"),
        .hasCustomView = object.required<bool>("hasCustomView"),
        .isSandboxSafe = object.required<bool>("isSandboxSafe"),
        .passesValidation = object.required<bool>("passesValidation"),
    };
}

} // namespace corvane

std::size_t std::hash<corvane::AudioInstrumentDescriptor>::operator()(
    const corvane::AudioInstrumentDescriptor& d) const noexcept
{
    std::size_t seed = 0;
    auto feed = [&seed](std::size_t value) { corvane::hashCombine(seed, value); };
    const std::hash<std::string_view> text;
    feed(text(d.id));
    feed(text(corvane::rawValue(d.kind)));
    feed(text(d.name));
    feed(text(d.manufacturerName));
    for (std::uint32_t code :
         {d.componentType, d.componentSubType, d.componentManufacturer, d.componentFlags, d.componentFlagsMask})
        feed(code);
    feed(d.hasCustomView);
    feed(d.isSandboxSafe);
    feed(d.passesValidation);
    return seed;
}
