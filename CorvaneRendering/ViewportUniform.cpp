#include "CorvaneRendering/ViewportUniform.hpp"

#include <algorithm>

#include "CorvaneRendering/StageColor.hpp"
#include "CorvaneRendering/StageGeometry.hpp"

namespace corvane {

ViewportUniform makeViewportUniform(Float2 viewport, const RenderState& state, const AnimationTimes& times)
{
    const auto& p = state.preset;
    const auto& b = p.background;
    const auto f = [](double value) { return static_cast<float>(value); };
    const double h = viewport.y;
    ViewportUniform u;
    u.size = viewport;
    u.time = state.accessibilityOptions.reduceMotion() ? 0.0f : f(times.playback);
    u.glowIntensity = f(p.glowIntensity);
    u.impactPosition = f((h - StageGeometry::keyboardHeight(h)) / h + p.saberYOffset / std::max(h, 1.0));
    u.saberIntensity = p.saberEnabled ? f(p.saberIntensity) : 0.0f;
    u.saberColor = color(p.saberHue, p.saberSaturation, p.saberBrightness);
    u.saberBlendMode = backgroundBlendModeValue(p.saberBlendMode);
    u.saberThickness = f(p.saberThickness);
    u.contrastBoost = state.accessibilityOptions.increaseContrast() ? 1.0f : 0.0f;
    u.smokeIntensity = p.smokeEnabled ? f(p.smokeIntensity) : 0.0f;
    u.smokeSize = f(p.smokeSize);
    u.smokePrimaryColor = color(p.smokePrimaryHue, p.smokePrimarySaturation, p.smokePrimaryBrightness);
    u.smokeSecondaryColor = color(p.smokeSecondaryHue, p.smokeSecondarySaturation, p.smokeSecondaryBrightness);
    u.smokeOpacity = f(p.smokeOpacity);
    u.smokeDensity = f(p.smokeDensity);
    u.smokeTurbulence = f(p.smokeTurbulence);
    u.smokeSpeed = f(p.smokeSpeed);
    u.smokeSpread = f(p.smokeSpread);
    u.smokePattern = static_cast<float>(static_cast<int>(p.smokePattern));
    u.smokeBlendMode = blendModeValue(p.smokeBlendMode);
    u.particleGlowIntensity = f(p.particleGlowIntensity);
    if (state.backgroundTexture) {
        u.backgroundImageSize = {static_cast<float>(state.backgroundTexture->width),
                                 static_cast<float>(state.backgroundTexture->height)};
        u.hasBackgroundImage = 1;
    }
    u.backgroundOpacity = f(b.opacity);
    u.backgroundBlendMode = backgroundBlendModeValue(b.blendMode);
    u.backgroundContentMode = b.contentMode == BackgroundImageContentMode::fit ? 1.0f : 0.0f;
    u.backgroundTopColor = color(b.topHue, b.topSaturation, b.topBrightness);
    u.backgroundBottomColor = color(b.bottomHue, b.bottomSaturation, b.bottomBrightness);
    u.gridColor = color(b.gridHue, b.gridSaturation, b.gridBrightness);
    u.gridOpacity = f(b.gridOpacity);
    u.backgroundGrainIntensity = f(b.grainIntensity);
    return u;
}

} // namespace corvane
