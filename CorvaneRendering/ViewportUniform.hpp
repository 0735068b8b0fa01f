#pragma once

#include <cstddef>

#include "CorvaneRendering/AnimationClock.hpp"
#include "CorvaneRendering/GPUVector.hpp"
#include "CorvaneRendering/RenderState.hpp"

namespace corvane {

// The stage program's std140 uniform block "ViewportUniform", byte for byte.
struct ViewportUniform {
    Float2 size; // view bounds in points
    float time = 0;
    float glowIntensity = 0;
    float impactPosition = 0; // the saber line, as a fraction of the height from the top
    float saberIntensity = 0;
    float padding0[2] = {};
    Float4 saberColor;
    float saberBlendMode = 0;
    float saberThickness = 0;
    float contrastBoost = 0;
    float smokeIntensity = 0;
    float smokeSize = 0;
    float padding1[3] = {};
    Float4 smokePrimaryColor;
    Float4 smokeSecondaryColor;
    float smokeOpacity = 0;
    float smokeDensity = 0;
    float smokeTurbulence = 0;
    float smokeSpeed = 0;
    float smokeSpread = 0;
    float smokePattern = 0;
    float smokeBlendMode = 0;
    float particleGlowIntensity = 0;
    Float2 backgroundImageSize; // pixels, or (0, 0) without a photo
    float backgroundOpacity = 0;
    float backgroundBlendMode = 0;
    float backgroundContentMode = 0; // fill 0, fit 1
    float hasBackgroundImage = 0;
    float padding2[2] = {};
    Float4 backgroundTopColor;
    Float4 backgroundBottomColor;
    Float4 gridColor;
    float gridOpacity = 0;
    float backgroundGrainIntensity = 0;
    float padding3[2] = {};

    bool operator==(const ViewportUniform&) const = default;
};

static_assert(sizeof(ViewportUniform) == 240);
static_assert(offsetof(ViewportUniform, saberColor) == 32 && offsetof(ViewportUniform, smokePrimaryColor) == 80);
static_assert(offsetof(ViewportUniform, backgroundImageSize) == 144);
static_assert(offsetof(ViewportUniform, backgroundTopColor) == 176 && offsetof(ViewportUniform, gridOpacity) == 224);

// The block for one frame of a view of `viewport` points.
ViewportUniform makeViewportUniform(Float2 viewport, const RenderState& state, const AnimationTimes& times);

} // namespace corvane
