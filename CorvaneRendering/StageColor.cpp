#include "CorvaneRendering/StageColor.hpp"

#include <algorithm>
#include <cmath>

namespace corvane {

Float4 color(double hue, double saturation, double brightness)
{
    const float h = static_cast<float>(hue - std::floor(hue)) * 6.0f;
    const float sector = std::floor(h);
    const int i = static_cast<int>(sector) % 6;
    const float f = h - sector;
    const float s = std::clamp(static_cast<float>(saturation), 0.0f, 1.0f);
    const float v = std::clamp(static_cast<float>(brightness), 0.0f, 1.0f);
    const float p = v * (1 - s);
    const float q = v * (1 - f * s);
    const float t = v * (1 - (1 - f) * s);
    constexpr float alpha = 0.92f;
    switch (i) {
    case 0: return {v, t, p, alpha};
    case 1: return {q, v, p, alpha};
    case 2: return {p, v, t, alpha};
    case 3: return {p, q, v, alpha};
    case 4: return {t, p, v, alpha};
    default: return {v, p, q, alpha};
    }
}

float backgroundBlendModeValue(BackgroundBlendMode mode) { return static_cast<float>(static_cast<int>(mode)); }

float blendModeValue(VisualBlendMode mode)
{
    if (mode == VisualBlendMode::additive) return blendModeValue(VisualBlendMode::plusLighter);
    return static_cast<float>(static_cast<int>(mode));
}

} // namespace corvane
