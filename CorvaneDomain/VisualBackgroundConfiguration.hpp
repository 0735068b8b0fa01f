#pragma once

#include <optional>

#include "CorvaneDomain/BackgroundBlendMode.hpp"
#include "CorvaneDomain/BackgroundImageReference.hpp"
#include "CorvaneDomain/JSONCoding.hpp"

namespace corvane {

// The backdrop of the stage: optional photo, vertical two-colour gradient,
// grid and film grain. Colours are HSB, each component a fraction of 1.
struct VisualBackgroundConfiguration {
    std::optional<BackgroundImageReference> imageReference; // absent: no photo
    double opacity;
    BackgroundBlendMode blendMode;
    BackgroundImageContentMode contentMode;
    double topHue;
    double topSaturation;
    double topBrightness;
    double bottomHue;
    double bottomSaturation;
    double bottomBrightness;
    double gridHue;
    double gridSaturation;
    double gridBrightness;
    double gridOpacity;
    double grainIntensity;

    // The built-in background, also what a stored preset without one gets.
    static VisualBackgroundConfiguration factory();

    // Every double limited to 0...1 (NaN passes); the rest copied.
    VisualBackgroundConfiguration clamped() const;

    bool operator==(const VisualBackgroundConfiguration&) const = default;
};

// Every key optional with its own default (not the factory values); nothing clamped.
template <> struct JSONCoder<VisualBackgroundConfiguration> {
    static nlohmann::json encode(const VisualBackgroundConfiguration& value, const std::string& codingPath);
    static VisualBackgroundConfiguration decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
