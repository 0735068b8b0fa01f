#include "CorvaneDomain/PracticeHandMap.hpp"

#include "CorvaneDomain/PracticeTrackSetting.hpp"

namespace corvane {

PracticeHandMap::PracticeHandMap(std::uint8_t splitNote, const std::vector<PracticeTrackSetting>& settings)
    : splitNote(splitNote)
{
    for (const auto& setting : settings)
        if (setting.hand != PracticeTrackHand::automatic) handsByTrack_[setting.trackIndex()] = setting.hand;
}

PracticeHandSide PracticeHandMap::side(std::uint8_t note, std::int64_t trackIndex) const
{
    const auto it = handsByTrack_.find(trackIndex);
    if (it != handsByTrack_.end())
        if (auto explicitSide = corvane::side(it->second)) return *explicitSide;
    return note >= splitNote ? PracticeHandSide::right : PracticeHandSide::left;
}

bool PracticeHandMap::includes(PracticeHand hand, std::uint8_t note, std::int64_t trackIndex) const
{
    switch (hand) {
    case PracticeHand::both: return true;
    case PracticeHand::left: return side(note, trackIndex) == PracticeHandSide::left;
    case PracticeHand::right: return side(note, trackIndex) == PracticeHandSide::right;
    }
    return true;
}

} // namespace corvane
