#pragma once

#include <cstdint>
#include <vector>

#include "CorvaneDomain/BackgroundBlendMode.hpp"
#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/TrackVisualColor.hpp"
#include "CorvaneDomain/VisualBackgroundConfiguration.hpp"
#include "CorvaneDomain/VisualPresetEnumerations.hpp"

namespace corvane {

// How the practice stage looks. Colours are HSB fractions of 1, opacities
// fractions of 1; other doubles are factors the renderer applies to the
// effect named. Nothing is checked on construction or assignment: the
// ranges hold only after clamped(). Declaration order is the order of the
// JSON keys.
struct VisualPreset {
    double noteSpeed;
    double glowIntensity;
    double saberIntensity;
    bool saberEnabled;
    double saberHue;
    double saberSaturation;
    double saberBrightness;
    BackgroundBlendMode saberBlendMode; // the background's modes: no `additive`
    double saberThickness;
    double saberYOffset; // either sign
    double particleIntensity;
    double accentHue;
    double accentSaturation;
    double accentBrightness;
    NoteColorMode noteColorMode;
    std::vector<TrackVisualColor> trackColors; // used in perTrack mode
    VisualBlendMode keyOverlayBlendMode;
    double keyOverlayOpacity;
    VisualBlendMode particleBlendMode;
    ParticlePattern particlePattern;
    double particleSize;
    double particleSpread;
    double particleLifetime;
    double particleQuantity;
    double particleSpeed;
    double particleGravity; // the sign sets the direction
    double particleOpacity;
    double particleGlowIntensity;
    double particleGlowRadius;
    double particleTrailLength;
    std::int64_t particleTrailSamples;
    double particleTurbulence;
    double particleDrag;
    double particleColorVariation;
    double particleImpactFlash;
    double smokeIntensity;
    bool smokeEnabled;
    double smokeSize;
    double smokeOpacity;
    double smokeDensity;
    double smokeTurbulence;
    double smokeSpeed;
    double smokeSpread;
    SmokePattern smokePattern;
    VisualBlendMode smokeBlendMode;
    double smokePrimaryHue;
    double smokePrimarySaturation;
    double smokePrimaryBrightness;
    double smokeSecondaryHue;
    double smokeSecondarySaturation;
    double smokeSecondaryBrightness;
    VisualBackgroundConfiguration background;

    // The look the application starts with and resets to (with the factory background).
    static VisualPreset builtIn();

    // The colour a track's notes are drawn in: its own entry in perTrack mode
    // (or a hue stepped round the circle from the accent), the accent colour
    // in single mode; always within the track-colour ranges.
    TrackVisualColor color(std::int64_t trackIndex) const;
    // Stores a colour (clamped) for a track; only the colour's components are
    // used. Replaces the track's first entry in place, or appends and sorts by track.
    void setColor(const TrackVisualColor& color, std::int64_t trackIndex);

    // A copy with every field in its range (NaN passes unchanged).
    VisualPreset clamped() const;

    bool operator==(const VisualPreset&) const = default;
};

// Every key optional with its own default; `keyOverlayBlendMode` and
// `particleBlendMode` never fail (anything unreadable is `additive`).
template <> struct JSONCoder<VisualPreset> {
    static nlohmann::json encode(const VisualPreset& value, const std::string& codingPath);
    static VisualPreset decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
