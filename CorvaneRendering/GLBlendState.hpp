#pragma once

#include "CorvaneDomain/VisualPresetEnumerations.hpp"

class QOpenGLFunctions_3_3_Core;

namespace corvane {

// The colour attachment's blending of a pipeline; the equation is always add.
enum class BlendMode { opaque, alpha, additive, premultipliedAlpha, screen, multiply, plus };

// The hardware part of a stage blend mode; the finer modes are done in the program.
BlendMode hardwareBlend(VisualBlendMode mode);

void applyBlendMode(QOpenGLFunctions_3_3_Core& gl, BlendMode mode);

} // namespace corvane
