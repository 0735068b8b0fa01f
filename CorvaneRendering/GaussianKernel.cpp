#include "CorvaneRendering/GaussianKernel.hpp"

#include <algorithm>
#include <cmath>

namespace corvane {

GaussianKernel::GaussianKernel(float s) : sigma(s)
{
    // Pairs (1, 2), (3, 4), ... after the centre: the radius in texels is 2 × (maximumTaps - 1) at most.
    const int radius = std::clamp(static_cast<int>(std::ceil(3 * sigma)), 1, 2 * (maximumTaps - 1));
    std::array<float, 2 * maximumTaps> texel{};
    float total = 0;
    for (int i = 0; i <= radius; ++i) {
        texel[i] = std::exp(-0.5f * static_cast<float>(i * i) / (sigma * sigma));
        total += i == 0 ? texel[i] : 2 * texel[i];
    }
    weights[0] = texel[0] / total;
    offsets[0] = 0;
    tapCount = 1;
    for (int i = 1; i <= radius; i += 2) {
        const float a = texel[i] / total;
        const float b = i + 1 <= radius ? texel[i + 1] / total : 0.0f;
        weights[tapCount] = a + b;
        offsets[tapCount] = static_cast<float>(i) + b / (a + b);
        ++tapCount;
    }
}

} // namespace corvane
