#pragma once

#include <QImage>
#include <cstdlib>

#include "CorvaneDomain/VisualPreset.hpp"

// A stage look without the moving or textured backdrop layers, so that
// pixels show only what a test puts on the stage.
inline corvane::VisualPreset quietPreset()
{
    auto preset = corvane::VisualPreset::builtIn();
    preset.smokeEnabled = false;
    preset.saberEnabled = false;
    preset.background.gridOpacity = 0;
    preset.background.grainIntensity = 0;
    return preset;
}

inline int grey(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

// The largest difference of any channel between two images over a rectangle.
inline int largestDifference(const QImage& a, const QImage& b, int left, int top, int right, int bottom)
{
    int largest = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

inline long brightnessSum(const QImage& image, int left, int top, int right, int bottom)
{
    long sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) sum += qGray(image.pixel(x, y));
    return sum;
}
