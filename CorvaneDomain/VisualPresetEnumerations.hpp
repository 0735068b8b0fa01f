#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "CorvaneDomain/BackgroundBlendMode.hpp"
#include "CorvaneDomain/RawValueEnum.hpp"

namespace corvane {

// The background blend modes in the same order, plus `additive`.
enum class VisualBlendMode {
    normal, multiply, screen, overlay, darken, lighten, colorDodge, colorBurn, softLight, hardLight, difference,
    exclusion, hue, saturation, color, luminosity, sourceAtop, destinationOver, destinationOut, plusDarker, plusLighter,
    additive,
};

// The names are the background blend modes' names, in the same order.
template <> struct RawValues<VisualBlendMode> {
    static constexpr auto cases = [] {
        const auto& shared = RawValues<BackgroundBlendMode>::cases;
        std::array<std::pair<VisualBlendMode, std::string_view>, shared.size() + 1> out{};
        for (std::size_t i = 0; i < shared.size(); ++i) out[i] = {static_cast<VisualBlendMode>(i), shared[i].second};
        out[shared.size()] = {VisualBlendMode::additive, "additive"};
        return out;
    }();
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
