#include "CorvaneRendering/StageFramePolicy.hpp"

#include <cmath>

#include "CorvaneRendering/GLStageRenderer.hpp"

namespace corvane {

std::array<float, 3> plainStageColor()
{
    const auto encoded = [](float linear) {
        return linear <= 0.0031308f ? linear * 12.92f : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
    };
    const auto& c = GLStageRenderer::clearColor;
    return {encoded(c[0]), encoded(c[1]), encoded(c[2])};
}

} // namespace corvane
