#pragma once

#include <cstdint>

#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/PracticeHandMap.hpp"

namespace corvane {

// One track's hand and mute flag, stored per song.
struct PracticeTrackSetting {
    PracticeTrackSetting(std::int64_t trackIndex, PracticeTrackHand hand, bool isMuted)
        : hand(hand), isMuted(isMuted), trackIndex_(trackIndex)
    {
    }

    PracticeTrackHand hand;
    bool isMuted;

    std::int64_t trackIndex() const { return trackIndex_; }
    std::int64_t id() const { return trackIndex_; }
    // Default settings are not worth storing.
    bool isDefault() const { return hand == PracticeTrackHand::automatic && !isMuted; }

    bool operator==(const PracticeTrackSetting&) const = default;

private:
    std::int64_t trackIndex_;
};

// "trackIndex" required; "hand" and "isMuted" default to automatic and false.
template <> struct JSONCoder<PracticeTrackSetting> {
    static nlohmann::json encode(const PracticeTrackSetting& value, const std::string& codingPath);
    static PracticeTrackSetting decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
