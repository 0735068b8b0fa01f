#include "CorvaneDomain/MIDIFile.hpp"

#include "CorvaneDomain/TextDecoding.hpp"

namespace corvane {

std::optional<MIDIFileFormat> midiFileFormat(std::uint16_t rawValue)
{
    switch (rawValue) {
    case 0: return MIDIFileFormat::singleTrack;
    case 1: return MIDIFileFormat::simultaneousTracks;
    case 2: return MIDIFileFormat::independentTracks;
    default: return std::nullopt;
    }
}

double frameRate(MIDIFramesPerSecond framesPerSecond)
{
    static constexpr double rates[] = {24.0, 25.0, 30000.0 / 1001.0, 30.0};
    return rates[static_cast<int>(framesPerSecond)];
}

std::vector<std::int64_t> allTrackIndices(const MIDIFile& file)
{
    std::vector<std::int64_t> indices(file.tracks.size());
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::int64_t>(i);
    return indices;
}

std::optional<std::string> MIDITrack::name() const
{
    constexpr std::uint8_t trackNameType = 0x03;
    for (const auto& event : events) {
        const auto* meta = std::get_if<MIDIMetaEvent>(&event.kind);
        if (!meta || meta->type != trackNameType) continue;
        auto text = decodeUTF8OrLatin1(meta->data);
        auto trimmed = trimWhitespaceAndNewlines(text);
        if (!trimmed.empty()) return encodeUTF8(trimmed);
    }
    return std::nullopt;
}

} // namespace corvane
