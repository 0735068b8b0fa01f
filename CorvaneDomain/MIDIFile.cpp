#include "CorvaneDomain/MIDIFile.hpp"

#include "CorvaneDomain/TextDecoding.hpp"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

namespace corvane {

namespace {

// Orders byte runs so that the pool finds a run by a view of its bytes.
struct ByteRunOrder {
    using is_transparent = void;
    template <class A, class B> bool operator()(const A& a, const B& b) const
    {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    }
};

// Long payloads built by hand, each kept once for the life of the program.
const std::uint8_t* pooledBytes(std::span<const std::uint8_t> bytes)
{
    static std::mutex mutex;
    static std::set<std::vector<std::uint8_t>, ByteRunOrder> pool;
    std::lock_guard lock(mutex);
    auto it = pool.find(bytes);
    if (it == pool.end()) it = pool.emplace(bytes.begin(), bytes.end()).first;
    return it->data();
}

} // namespace

static_assert(sizeof(const std::uint8_t*) <= MIDIEventBytes::inlineCapacity);
static_assert(sizeof(MIDIEventKind) == 16 && sizeof(MIDIEvent) == 32);

MIDIEventBytes MIDIEventBytes::viewing(std::span<const std::uint8_t> bytes)
{
    MIDIEventBytes result;
    const auto size = static_cast<std::uint32_t>(bytes.size());
    std::memcpy(result.size_, &size, sizeof size);
    if (bytes.size() <= inlineCapacity) {
        if (!bytes.empty()) std::memcpy(result.storage_, bytes.data(), bytes.size());
    } else {
        const std::uint8_t* address = bytes.data();
        std::memcpy(result.storage_, &address, sizeof address);
    }
    return result;
}

MIDIEventBytes MIDIEventBytes::kept(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() <= inlineCapacity) return viewing(bytes);
    return viewing({pooledBytes(bytes), bytes.size()});
}

std::size_t MIDIEventBytes::size() const
{
    std::uint32_t size;
    std::memcpy(&size, size_, sizeof size);
    return size;
}

const std::uint8_t* MIDIEventBytes::data() const
{
    if (size() <= inlineCapacity) return storage_;
    const std::uint8_t* address;
    std::memcpy(&address, storage_, sizeof address);
    return address;
}

bool operator==(const MIDIEventBytes& a, const MIDIEventBytes& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

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
