#include "CorvaneDomain/VisualBackgroundConfiguration.hpp"

#include "CorvaneDomain/ComparisonClamp.hpp"

namespace corvane {

VisualBackgroundConfiguration VisualBackgroundConfiguration::factory()
{
    return {
        .imageReference = std::nullopt,
        .opacity = 1.0,
        .blendMode = BackgroundBlendMode::multiply,
        .contentMode = BackgroundImageContentMode::fill,
        .topHue = 0.058105,
        .topSaturation = 1.0,
        .topBrightness = 0.01,
        .bottomHue = 0.09,
        .bottomSaturation = 1.0,
        .bottomBrightness = 0.0,
        .gridHue = 0.1411,
        .gridSaturation = 0.3629,
        .gridBrightness = 0.58,
        .gridOpacity = 0.005,
        .grainIntensity = 0.35,
    };
}

VisualBackgroundConfiguration VisualBackgroundConfiguration::clamped() const
{
    auto result = *this;
    for (double* value : {&result.opacity, &result.topHue, &result.topSaturation, &result.topBrightness,
                          &result.bottomHue, &result.bottomSaturation, &result.bottomBrightness, &result.gridHue,
                          &result.gridSaturation, &result.gridBrightness, &result.gridOpacity,
                          &result.grainIntensity})
        *value = clampedByComparison(*value, 0, 1);
    return result;
}

nlohmann::json JSONCoder<VisualBackgroundConfiguration>::encode(const VisualBackgroundConfiguration& value,
                                                                const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.writeIfPresent("imageReference", value.imageReference);
    object.write("opacity", value.opacity);
    object.write("blendMode", value.blendMode);
    object.write("contentMode", value.contentMode);
    object.write("topHue", value.topHue);
    object.write("topSaturation", value.topSaturation);
    object.write("topBrightness", value.topBrightness);
    object.write("bottomHue", value.bottomHue);
    object.write("bottomSaturation", value.bottomSaturation);
    object.write("bottomBrightness", value.bottomBrightness);
    object.write("gridHue", value.gridHue);
    object.write("gridSaturation", value.gridSaturation);
    object.write("gridBrightness", value.gridBrightness);
    object.write("gridOpacity", value.gridOpacity);
    object.write("grainIntensity", value.grainIntensity);
    return object.take();
}

VisualBackgroundConfiguration JSONCoder<VisualBackgroundConfiguration>::decode(const nlohmann::json& json,
                                                                               const std::string& codingPath)
{
    const JSONObjectReader o(json, codingPath);
    // Designated initialisers evaluate in order, so the first bad key is the one reported.
    return {
        .imageReference = o.optional<BackgroundImageReference>("imageReference"),
        .opacity = o.optional("opacity", 1.0),
        .blendMode = o.optional("blendMode", BackgroundBlendMode::normal),
        .contentMode = o.optional("contentMode", BackgroundImageContentMode::fill),
        .topHue = o.optional("topHue", 0.0),
        .topSaturation = o.optional("topSaturation", 0.0),
        .topBrightness = o.optional("topBrightness", 0.0),
        .bottomHue = o.optional("bottomHue", 0.0),
        .bottomSaturation = o.optional("bottomSaturation", 0.0),
        .bottomBrightness = o.optional("bottomBrightness", 23.0 / 255.0),
        .gridHue = o.optional("gridHue", 0.64),
        .gridSaturation = o.optional("gridSaturation", 0.57),
        .gridBrightness = o.optional("gridBrightness", 0.58),
        .gridOpacity = o.optional("gridOpacity", 0.018),
        .grainIntensity = o.optional("grainIntensity", 0.35),
    };
}

} // namespace corvane
