#pragma once

#include <array>
#include <optional>

namespace corvane {

// How often and at what size a stage view draws, whichever view it is: at 60
// frames a second on a graphics card; in software at 30 and at half the
// view's pixels, scaled up, since the rasteriser's time follows the pixels.
// A rate or scale chosen by hand (the benchmarks compare them) wins.
struct StageFramePolicy {
    static constexpr int hardwareFrameRate = 60;
    static constexpr int softwareFrameRate = 30;
    static constexpr double softwareRenderScale = 0.5;

    static int frameRate(bool software, std::optional<int> chosen)
    {
        return chosen.value_or(software ? softwareFrameRate : hardwareFrameRate);
    }
    static double renderScale(bool software, std::optional<double> chosen)
    {
        return chosen.value_or(software ? softwareRenderScale : 1.0);
    }
};

// The stage's clear colour encoded for the screen (sRGB): what a view shows
// before its first frame, or for good without a renderer.
std::array<float, 3> plainStageColor();

} // namespace corvane
