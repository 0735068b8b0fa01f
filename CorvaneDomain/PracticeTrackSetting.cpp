#include "CorvaneDomain/PracticeTrackSetting.hpp"

namespace corvane {

nlohmann::json JSONCoder<PracticeTrackSetting>::encode(const PracticeTrackSetting& value, const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("trackIndex", value.trackIndex());
    object.write("hand", value.hand);
    object.write("isMuted", value.isMuted);
    return object.take();
}

PracticeTrackSetting JSONCoder<PracticeTrackSetting>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    const JSONObjectReader object(json, codingPath);
    const auto trackIndex = object.required<std::int64_t>("trackIndex");
    const auto hand = object.optional("hand", PracticeTrackHand::automatic);
    const auto isMuted = object.optional("isMuted", false);
    return PracticeTrackSetting(trackIndex, hand, isMuted);
}

} // namespace corvane
