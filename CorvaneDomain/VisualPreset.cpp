#include "CorvaneDomain/VisualPreset.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneDomain/ComparisonClamp.hpp"

namespace corvane {

namespace {

struct Range {
    double VisualPreset::*field;
    double lower, upper;
};

constexpr Range ranges[] = {
    {&VisualPreset::noteSpeed, 0.5, 2},
    {&VisualPreset::glowIntensity, 0, 1},
    {&VisualPreset::saberIntensity, 0, 1},
    {&VisualPreset::saberHue, 0, 1},
    {&VisualPreset::saberSaturation, 0, 1},
    {&VisualPreset::saberBrightness, 0.15, 1},
    {&VisualPreset::saberThickness, 0.5, 4},
    {&VisualPreset::saberYOffset, -160, 160},
    {&VisualPreset::particleIntensity, 0, 4},
    {&VisualPreset::accentHue, 0, 1},
    {&VisualPreset::accentSaturation, 0, 1},
    {&VisualPreset::accentBrightness, 0.15, 1},
    {&VisualPreset::keyOverlayOpacity, 0, 1},
    {&VisualPreset::particleSize, 0.25, 5},
    {&VisualPreset::particleSpread, 0, 5},
    {&VisualPreset::particleLifetime, 0.15, 5},
    {&VisualPreset::particleQuantity, 0.25, 6},
    {&VisualPreset::particleSpeed, 0, 5},
    {&VisualPreset::particleGravity, -4, 5},
    {&VisualPreset::particleOpacity, 0, 1},
    {&VisualPreset::particleGlowIntensity, 0, 4},
    {&VisualPreset::particleGlowRadius, 0.25, 4},
    {&VisualPreset::particleTrailLength, 0, 4},
    {&VisualPreset::particleTurbulence, 0, 4},
    {&VisualPreset::particleDrag, 0, 2},
    {&VisualPreset::particleColorVariation, 0, 1},
    {&VisualPreset::particleImpactFlash, 0, 4},
    {&VisualPreset::smokeIntensity, 0, 2},
    {&VisualPreset::smokeSize, 0.5, 2.5},
    {&VisualPreset::smokeOpacity, 0, 1},
    {&VisualPreset::smokeDensity, 0.25, 2.5},
    {&VisualPreset::smokeTurbulence, 0, 2.5},
    {&VisualPreset::smokeSpeed, 0, 2.5},
    {&VisualPreset::smokeSpread, 0.5, 3},
    {&VisualPreset::smokePrimaryHue, 0, 1},
    {&VisualPreset::smokePrimarySaturation, 0, 1},
    {&VisualPreset::smokePrimaryBrightness, 0.15, 1},
    {&VisualPreset::smokeSecondaryHue, 0, 1},
    {&VisualPreset::smokeSecondarySaturation, 0, 1},
    {&VisualPreset::smokeSecondaryBrightness, 0.15, 1},
};

} // namespace

VisualPreset VisualPreset::builtIn()
{
    return {
        .noteSpeed = 1.0,
        .glowIntensity = 0.45,
        .saberIntensity = 0.2,
        .saberEnabled = true,
        .saberHue = 0.071917,
        .saberSaturation = 1.0,
        .saberBrightness = 1.0,
        .saberBlendMode = BackgroundBlendMode::lighten,
        .saberThickness = 4.0,
        .saberYOffset = 3.0,
        .particleIntensity = 3.3,
        .accentHue = 0.09,
        .accentSaturation = 0.97,
        .accentBrightness = 0.8,
        .noteColorMode = NoteColorMode::single,
        .trackColors = {TrackVisualColor(1, 0.08900669642857142, 0.9739583333333334, 0.8),
                        TrackVisualColor(2, 0.9844447544642857, 1.0, 1.0)},
        .keyOverlayBlendMode = VisualBlendMode::screen,
        .keyOverlayOpacity = 0.7,
        .particleBlendMode = VisualBlendMode::screen,
        .particlePattern = ParticlePattern::burst,
        .particleSize = 0.5,
        .particleSpread = 0.8,
        .particleLifetime = 2.6,
        .particleQuantity = 4.8,
        .particleSpeed = 0.8,
        .particleGravity = -2.0,
        .particleOpacity = 1.0,
        .particleGlowIntensity = 2.3,
        .particleGlowRadius = 1.6,
        .particleTrailLength = 2.2,
        .particleTrailSamples = 7,
        .particleTurbulence = 0.5,
        .particleDrag = 0.2,
        .particleColorVariation = 0.0,
        .particleImpactFlash = 1.1,
        .smokeIntensity = 0.2,
        .smokeEnabled = true,
        .smokeSize = 1.0,
        .smokeOpacity = 0.9,
        .smokeDensity = 1.0,
        .smokeTurbulence = 1.0,
        .smokeSpeed = 1.0,
        .smokeSpread = 1.0,
        .smokePattern = SmokePattern::billows,
        .smokeBlendMode = VisualBlendMode::screen,
        .smokePrimaryHue = 0.080636,
        .smokePrimarySaturation = 1.0,
        .smokePrimaryBrightness = 0.98,
        .smokeSecondaryHue = 0.615904,
        .smokeSecondarySaturation = 0.948656,
        .smokeSecondaryBrightness = 1.0,
        .background = VisualBackgroundConfiguration::factory(),
    };
}

TrackVisualColor VisualPreset::color(std::int64_t trackIndex) const
{
    double hue = accentHue, saturation = accentSaturation, brightness = accentBrightness;
    if (noteColorMode == NoteColorMode::perTrack) {
        const auto entry = std::find_if(trackColors.begin(), trackColors.end(),
                                        [&](const auto& c) { return c.trackIndex() == trackIndex; });
        if (entry != trackColors.end()) {
            hue = entry->hue;
            saturation = entry->saturation;
            brightness = entry->brightness;
        } else {
            // Each further track a step round the colour circle from the accent.
            hue = std::fmod(static_cast<double>(trackIndex) * 0.173 + accentHue, 1.0);
        }
    }
    return TrackVisualColor(trackIndex, hue, saturation, brightness).clamped();
}

void VisualPreset::setColor(const TrackVisualColor& color, std::int64_t trackIndex)
{
    const auto stored = TrackVisualColor(trackIndex, color.hue, color.saturation, color.brightness).clamped();
    const auto entry = std::find_if(trackColors.begin(), trackColors.end(),
                                    [&](const auto& c) { return c.trackIndex() == trackIndex; });
    if (entry != trackColors.end()) {
        *entry = stored;
        return;
    }
    trackColors.push_back(stored);
    std::stable_sort(trackColors.begin(), trackColors.end(),
                     [](const auto& a, const auto& b) { return a.trackIndex() < b.trackIndex(); });
}

VisualPreset VisualPreset::clamped() const
{
    auto result = *this;
    for (const auto& range : ranges)
        result.*range.field = clampedByComparison(result.*range.field, range.lower, range.upper);
    result.particleTrailSamples = std::clamp<std::int64_t>(particleTrailSamples, 0, 8);
    for (auto& color : result.trackColors) color = color.clamped();
    result.background = background.clamped();
    return result;
}

} // namespace corvane
