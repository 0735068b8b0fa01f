#pragma once

#include <cstdint>

#include "CorvaneDomain/JSONCoding.hpp"

namespace corvane {

// The colour of one track's notes, HSB fractions of 1.
class TrackVisualColor {
public:
    TrackVisualColor(std::int64_t trackIndex, double hue, double saturation, double brightness)
        : hue(hue), saturation(saturation), brightness(brightness), trackIndex_(trackIndex)
    {
    }

    std::int64_t trackIndex() const { return trackIndex_; }
    std::int64_t id() const { return trackIndex_; }
    double hue;
    double saturation;
    double brightness;

    // Track index at least 0, hue and saturation 0...1, brightness 0.15...1
    // (a floor so that no note is drawn black); NaN passes.
    TrackVisualColor clamped() const;

    bool operator==(const TrackVisualColor&) const = default;

private:
    std::int64_t trackIndex_;
};

// All four keys required and always written; nothing clamped.
template <> struct JSONCoder<TrackVisualColor> {
    static nlohmann::json encode(const TrackVisualColor& value, const std::string& codingPath);
    static TrackVisualColor decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
