#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "CorvaneDomain/RawValueEnum.hpp"

namespace corvane {

// The background blend modes in the same order, plus `additive`.
enum class VisualBlendMode {
    normal, multiply, screen, overlay, darken, lighten, colorDodge, colorBurn, softLight, hardLight, difference,
    exclusion, hue, saturation, color, luminosity, sourceAtop, destinationOver, destinationOut, plusDarker, plusLighter,
    additive,
};

template <> struct RawValues<VisualBlendMode> {
    using E = VisualBlendMode;
    static constexpr std::array<std::pair<E, std::string_view>, 22> cases{{
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
        {E::additive, "additive"},
    }};
};

// One colour for all notes, or one per track.
enum class NoteColorMode { single, perTrack };

template <> struct RawValues<NoteColorMode> {
    static constexpr std::array<std::pair<NoteColorMode, std::string_view>, 2> cases{{
        {NoteColorMode::single, "single"},
        {NoteColorMode::perTrack, "perTrack"},
    }};
};

enum class SmokePattern { wisps, billows, ribbons, plume };

template <> struct RawValues<SmokePattern> {
    static constexpr std::array<std::pair<SmokePattern, std::string_view>, 4> cases{{
        {SmokePattern::wisps, "wisps"},
        {SmokePattern::billows, "billows"},
        {SmokePattern::ribbons, "ribbons"},
        {SmokePattern::plume, "plume"},
    }};
};

enum class ParticlePattern { sparks, burst, dust, ribbons, twirl, fountain };

template <> struct RawValues<ParticlePattern> {
    static constexpr std::array<std::pair<ParticlePattern, std::string_view>, 6> cases{{
        {ParticlePattern::sparks, "sparks"},
        {ParticlePattern::burst, "burst"},
        {ParticlePattern::dust, "dust"},
        {ParticlePattern::ribbons, "ribbons"},
        {ParticlePattern::twirl, "twirl"},
        {ParticlePattern::fountain, "fountain"},
    }};
};

} // namespace corvane
