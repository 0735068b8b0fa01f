#pragma once

#include <array>

namespace corvane {

// A one-dimensional Gaussian of the given sigma (in texels), reaching 3 sigma
// each side, with neighbouring texel pairs folded into single linear taps so
// that the blur reads about half as often. Tap 0 is the centre; every other
// tap is read on both sides. The weights sum to 1 over the whole kernel.
struct GaussianKernel {
    static constexpr int maximumTaps = 32;

    explicit GaussianKernel(float sigma);

    float sigma;
    int tapCount = 1;
    std::array<float, maximumTaps> offsets{}; // texels from the centre
    std::array<float, maximumTaps> weights{};
};

} // namespace corvane
