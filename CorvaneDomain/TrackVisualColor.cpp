#include "CorvaneDomain/TrackVisualColor.hpp"

#include <algorithm>

#include "CorvaneDomain/ComparisonClamp.hpp"

namespace corvane {

TrackVisualColor TrackVisualColor::clamped() const
{
    return TrackVisualColor(std::max<std::int64_t>(0, trackIndex_), clampedByComparison(hue, 0, 1),
                            clampedByComparison(saturation, 0, 1), clampedByComparison(brightness, 0.15, 1));
}

nlohmann::json JSONCoder<TrackVisualColor>::encode(const TrackVisualColor& value, const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("trackIndex", value.trackIndex());
    object.write("hue", value.hue);
    object.write("saturation", value.saturation);
    object.write("brightness", value.brightness);
    return object.take();
}

TrackVisualColor JSONCoder<TrackVisualColor>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    const JSONObjectReader object(json, codingPath);
    const auto trackIndex = object.required<std::int64_t>("trackIndex");
    const auto hue = object.required<double>("hue");
    const auto saturation = object.required<double>("saturation");
    const auto brightness = object.required<double>("brightness");
    return TrackVisualColor(trackIndex, hue, saturation, brightness);
}

} // namespace corvane
