#include "CorvaneDomain/VisualPreset.hpp"

namespace corvane {

namespace {

// What each missing (or null) key of a stored preset becomes.
VisualPreset decodingDefaults()
{
    return {
        .noteSpeed = 1.0,
        .glowIntensity = 0.72,
        .saberIntensity = 0.62,
        .saberEnabled = true,
        .saberHue = 0.58,
        .saberSaturation = 0.64,
        .saberBrightness = 1.0,
        .saberBlendMode = BackgroundBlendMode::plusLighter,
        .saberThickness = 1.6,
        .saberYOffset = -8.0,
        .particleIntensity = 0.58,
        .accentHue = 0.76,
        .accentSaturation = 0.72,
        .accentBrightness = 1.0,
        .noteColorMode = NoteColorMode::single,
        .trackColors = {},
        .keyOverlayBlendMode = VisualBlendMode::additive,
        .keyOverlayOpacity = 1.0,
        .particleBlendMode = VisualBlendMode::additive,
        .particlePattern = ParticlePattern::sparks,
        .particleSize = 1.0,
        .particleSpread = 1.0,
        .particleLifetime = 1.0,
        .particleQuantity = 1.0,
        .particleSpeed = 1.0,
        .particleGravity = 1.0,
        .particleOpacity = 1.0,
        .particleGlowIntensity = 1.0,
        .particleGlowRadius = 1.0,
        .particleTrailLength = 1.0,
        .particleTrailSamples = 0,
        .particleTurbulence = 1.0,
        .particleDrag = 0.0,
        .particleColorVariation = 0.0,
        .particleImpactFlash = 1.0,
        .smokeIntensity = 0.62,
        .smokeEnabled = true,
        .smokeSize = 1.0,
        .smokeOpacity = 1.0,
        .smokeDensity = 1.0,
        .smokeTurbulence = 1.0,
        .smokeSpeed = 1.0,
        .smokeSpread = 1.0,
        .smokePattern = SmokePattern::wisps,
        .smokeBlendMode = VisualBlendMode::additive,
        .smokePrimaryHue = 0.05,
        .smokePrimarySaturation = 0.92,
        .smokePrimaryBrightness = 0.72,
        .smokeSecondaryHue = 0.6,
        .smokeSecondarySaturation = 0.93,
        .smokeSecondaryBrightness = 0.82,
        .background = VisualBackgroundConfiguration::factory(),
    };
}

// Older records may hold blend modes this version does not know; these two
// fall back rather than lose the whole session.
VisualBlendMode lenientBlendMode(const JSONObjectReader& object, std::string_view key)
{
    const auto* value = object.member(key);
    if (value && value->is_string())
        if (auto mode = fromRawValue<VisualBlendMode>(value->get_ref<const std::string&>())) return *mode;
    return VisualBlendMode::additive;
}

template <class T> void read(const JSONObjectReader& object, std::string_view key, T& field)
{
    if (auto value = object.optional<T>(key)) field = std::move(*value);
}

} // namespace

nlohmann::json JSONCoder<VisualPreset>::encode(const VisualPreset& p, const std::string& codingPath)
{
    JSONObjectWriter o(codingPath);
    o.write("noteSpeed", p.noteSpeed);
    o.write("glowIntensity", p.glowIntensity);
    o.write("saberIntensity", p.saberIntensity);
    o.write("saberEnabled", p.saberEnabled);
    o.write("saberHue", p.saberHue);
    o.write("saberSaturation", p.saberSaturation);
    o.write("saberBrightness", p.saberBrightness);
    o.write("saberBlendMode", p.saberBlendMode);
    o.write("saberThickness", p.saberThickness);
    o.write("saberYOffset", p.saberYOffset);
    o.write("particleIntensity", p.particleIntensity);
    o.write("accentHue", p.accentHue);
    o.write("accentSaturation", p.accentSaturation);
    o.write("accentBrightness", p.accentBrightness);
    o.write("noteColorMode", p.noteColorMode);
    o.write("trackColors", p.trackColors);
    o.write("keyOverlayBlendMode", p.keyOverlayBlendMode);
    o.write("keyOverlayOpacity", p.keyOverlayOpacity);
    o.write("particleBlendMode", p.particleBlendMode);
    o.write("particlePattern", p.particlePattern);
    o.write("particleSize", p.particleSize);
    o.write("particleSpread", p.particleSpread);
    o.write("particleLifetime", p.particleLifetime);
    o.write("particleQuantity", p.particleQuantity);
    o.write("particleSpeed", p.particleSpeed);
    o.write("particleGravity", p.particleGravity);
    o.write("particleOpacity", p.particleOpacity);
    o.write("particleGlowIntensity", p.particleGlowIntensity);
    o.write("particleGlowRadius", p.particleGlowRadius);
    o.write("particleTrailLength", p.particleTrailLength);
    o.write("particleTrailSamples", p.particleTrailSamples);
    o.write("particleTurbulence", p.particleTurbulence);
    o.write("particleDrag", p.particleDrag);
    o.write("particleColorVariation", p.particleColorVariation);
    o.write("particleImpactFlash", p.particleImpactFlash);
    o.write("smokeIntensity", p.smokeIntensity);
    o.write("smokeEnabled", p.smokeEnabled);
    o.write("smokeSize", p.smokeSize);
    o.write("smokeOpacity", p.smokeOpacity);
    o.write("smokeDensity", p.smokeDensity);
    o.write("smokeTurbulence", p.smokeTurbulence);
    o.write("smokeSpeed", p.smokeSpeed);
    o.write("smokeSpread", p.smokeSpread);
    o.write("smokePattern", p.smokePattern);
    o.write("smokeBlendMode", p.smokeBlendMode);
    o.write("smokePrimaryHue", p.smokePrimaryHue);
    o.write("smokePrimarySaturation", p.smokePrimarySaturation);
    o.write("smokePrimaryBrightness", p.smokePrimaryBrightness);
    o.write("smokeSecondaryHue", p.smokeSecondaryHue);
    o.write("smokeSecondarySaturation", p.smokeSecondarySaturation);
    o.write("smokeSecondaryBrightness", p.smokeSecondaryBrightness);
    o.write("background", p.background);
    return o.take();
}

VisualPreset JSONCoder<VisualPreset>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    const JSONObjectReader o(json, codingPath);
    auto p = decodingDefaults();
    // Read in the historical key order, so that the first bad key in that
    // order is the one reported: the saber's look comes last.
    read(o, "noteSpeed", p.noteSpeed);
    read(o, "glowIntensity", p.glowIntensity);
    read(o, "saberIntensity", p.saberIntensity);
    read(o, "saberEnabled", p.saberEnabled);
    read(o, "particleIntensity", p.particleIntensity);
    read(o, "accentHue", p.accentHue);
    read(o, "accentSaturation", p.accentSaturation);
    read(o, "accentBrightness", p.accentBrightness);
    read(o, "noteColorMode", p.noteColorMode);
    read(o, "trackColors", p.trackColors);
    p.keyOverlayBlendMode = lenientBlendMode(o, "keyOverlayBlendMode");
    read(o, "keyOverlayOpacity", p.keyOverlayOpacity);
    p.particleBlendMode = lenientBlendMode(o, "particleBlendMode");
    read(o, "particlePattern", p.particlePattern);
    read(o, "particleSize", p.particleSize);
    read(o, "particleSpread", p.particleSpread);
    read(o, "particleLifetime", p.particleLifetime);
    read(o, "particleQuantity", p.particleQuantity);
    read(o, "particleSpeed", p.particleSpeed);
    read(o, "particleGravity", p.particleGravity);
    read(o, "particleOpacity", p.particleOpacity);
    read(o, "particleGlowIntensity", p.particleGlowIntensity);
    read(o, "particleGlowRadius", p.particleGlowRadius);
    read(o, "particleTrailLength", p.particleTrailLength);
    read(o, "particleTrailSamples", p.particleTrailSamples);
    read(o, "particleTurbulence", p.particleTurbulence);
    read(o, "particleDrag", p.particleDrag);
    read(o, "particleColorVariation", p.particleColorVariation);
    read(o, "particleImpactFlash", p.particleImpactFlash);
    read(o, "smokeIntensity", p.smokeIntensity);
    read(o, "smokeEnabled", p.smokeEnabled);
    read(o, "smokeSize", p.smokeSize);
    read(o, "smokeOpacity", p.smokeOpacity);
    read(o, "smokeDensity", p.smokeDensity);
    read(o, "smokeTurbulence", p.smokeTurbulence);
    read(o, "smokeSpeed", p.smokeSpeed);
    read(o, "smokeSpread", p.smokeSpread);
    read(o, "smokePattern", p.smokePattern);
    read(o, "smokeBlendMode", p.smokeBlendMode);
    read(o, "smokePrimaryHue", p.smokePrimaryHue);
    read(o, "smokePrimarySaturation", p.smokePrimarySaturation);
    read(o, "smokePrimaryBrightness", p.smokePrimaryBrightness);
    read(o, "smokeSecondaryHue", p.smokeSecondaryHue);
    read(o, "smokeSecondarySaturation", p.smokeSecondarySaturation);
    read(o, "smokeSecondaryBrightness", p.smokeSecondaryBrightness);
    read(o, "background", p.background);
    read(o, "saberHue", p.saberHue);
    read(o, "saberSaturation", p.saberSaturation);
    read(o, "saberBrightness", p.saberBrightness);
    read(o, "saberBlendMode", p.saberBlendMode);
    read(o, "saberThickness", p.saberThickness);
    read(o, "saberYOffset", p.saberYOffset);
    return p;
}

} // namespace corvane
