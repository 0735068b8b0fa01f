#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CorvaneDomain/PracticeMode.hpp"
#include "CorvaneDomain/RawValueEnum.hpp"

namespace corvane {

struct PracticeTrackSetting;

enum class PracticeHandSide { left, right };

// The hand the user assigned to a track; `automatic` lets the split note decide.
enum class PracticeTrackHand { automatic, left, right };

template <> struct RawValues<PracticeTrackHand> {
    static constexpr std::array<std::pair<PracticeTrackHand, std::string_view>, 3> cases{{
        {PracticeTrackHand::automatic, "automatic"},
        {PracticeTrackHand::left, "left"},
        {PracticeTrackHand::right, "right"},
    }};
};

constexpr std::optional<PracticeHandSide> side(PracticeTrackHand hand)
{
    switch (hand) {
    case PracticeTrackHand::left: return PracticeHandSide::left;
    case PracticeTrackHand::right: return PracticeHandSide::right;
    case PracticeTrackHand::automatic: break;
    }
    return std::nullopt;
}

// Which hand plays a note: the track's explicit hand first, else the split note.
class PracticeHandMap {
public:
    static constexpr std::uint8_t defaultSplitNote = 60; // middle C

    // Only explicit hands are kept; a later setting of the same track wins.
    PracticeHandMap(std::uint8_t splitNote, const std::vector<PracticeTrackSetting>& settings);

    std::uint8_t splitNote = defaultSplitNote; // lowest note of the right hand

    PracticeHandSide side(std::uint8_t note, std::int64_t trackIndex) const;
    bool includes(PracticeHand hand, std::uint8_t note, std::int64_t trackIndex) const;

    bool operator==(const PracticeHandMap&) const = default;

private:
    std::unordered_map<std::int64_t, PracticeTrackHand> handsByTrack_;
};

} // namespace corvane
