#pragma once

#include "CorvaneDomain/BackgroundBlendMode.hpp"
#include "CorvaneDomain/VisualPresetEnumerations.hpp"
#include "CorvaneRendering/GPUVector.hpp"

namespace corvane {

// HSB (fractions of 1) to straight RGBA as the stage program reads it; the
// hue wraps round, saturation and brightness are clamped, alpha is always 0.92.
Float4 color(double hue, double saturation, double brightness);

// The float codes the stage program compares blend modes with.
float backgroundBlendModeValue(BackgroundBlendMode mode);
// `additive` shares the code of `plusLighter`: the program treats them alike.
float blendModeValue(VisualBlendMode mode);

} // namespace corvane
