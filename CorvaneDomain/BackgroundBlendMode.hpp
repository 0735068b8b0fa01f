#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "CorvaneDomain/RawValueEnum.hpp"

namespace corvane {

// How the background photo (and the saber) is composited.
enum class BackgroundBlendMode {
    normal, multiply, screen, overlay, darken, lighten, colorDodge, colorBurn, softLight, hardLight, difference,
    exclusion, hue, saturation, color, luminosity, sourceAtop, destinationOver, destinationOut, plusDarker, plusLighter,
};

template <> struct RawValues<BackgroundBlendMode> {
    using E = BackgroundBlendMode;
    static constexpr std::array<std::pair<E, std::string_view>, 21> cases{{
        {E::normal, "normal"},
        {E::multiply, "multiply"},
        {E::screen, "screen"},
        {E::overlay, "overlay"},
        {E::darken, "darken"},
        {E::lighten, "lighten"},
        {E::colorDodge, "colorDodge"},
        {E::colorBurn, "colorBurn"},
        {E::softLight, "softLight"},
        {E::hardLight, "hardLight"},
        {E::difference, "difference"},
        {E::exclusion, "exclusion"},
        {E::hue, "hue"},
        {E::saturation, "saturation"},
        {E::color, "color"},
        {E::luminosity, "luminosity"},
        {E::sourceAtop, "sourceAtop"},
        {E::destinationOver, "destinationOver"},
        {E::destinationOut, "destinationOut"},
        {E::plusDarker, "plusDarker"},
        {E::plusLighter, "plusLighter"},
    }};
};

// How the background photo is fitted to the stage.
enum class BackgroundImageContentMode { fill, fit };

template <> struct RawValues<BackgroundImageContentMode> {
    static constexpr std::array<std::pair<BackgroundImageContentMode, std::string_view>, 2> cases{{
        {BackgroundImageContentMode::fill, "fill"},
        {BackgroundImageContentMode::fit, "fit"},
    }};
};

} // namespace corvane
