#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "CorvaneDomain/BackgroundBlendMode.hpp"
#include "CorvaneDomain/VisualPresetEnumerations.hpp"

namespace corvane {

// The Portuguese names the menus show for the look's enumerations, every
// case in declaration order (the order of the menus). Menus that offer
// these choices take both their value text and their items from here.
template <class E> struct LocalizedTitles;

template <> struct LocalizedTitles<VisualBlendMode> {
    using E = VisualBlendMode;
    static constexpr std::array<std::pair<E, std::string_view>, 22> cases{{
        {E::normal, "Normal"},
        {E::multiply, "Multiplicar"},
        {E::screen, "Tela"},
        {E::overlay, "Sobrepor"},
        {E::darken, "Escurecer"},
        {E::lighten, "Clarear"},
        {E::colorDodge, "Subexposição de cor"},
        {E::colorBurn, "Superexposição de cor"},
        {E::softLight, "Luz suave"},
        {E::hardLight, "Luz forte"},
        {E::difference, "Diferença"},
        {E::exclusion, "Exclusão"},
        {E::hue, "Matiz"},
        {E::saturation, "Saturação"},
        {E::color, "Cor"},
        {E::luminosity, "Luminosidade"},
        {E::sourceAtop, "Origem sobre destino"},
        {E::destinationOver, "Destino sobre origem"},
        {E::destinationOut, "Remover destino"},
        {E::plusDarker, "Somar escuro"},
        {E::plusLighter, "Somar claro"},
        {E::additive, "Aditivo"},
    }};
};

// The background's modes are the stage's first 21 under the same names, so
// they share those texts; only `additive` is the stage's alone.
template <> struct LocalizedTitles<BackgroundBlendMode> {
    static constexpr auto cases = [] {
        const auto& shared = LocalizedTitles<VisualBlendMode>::cases;
        std::array<std::pair<BackgroundBlendMode, std::string_view>, RawValues<BackgroundBlendMode>::cases.size()>
            out{};
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = {static_cast<BackgroundBlendMode>(i), shared[i].second};
        return out;
    }();
};

template <> struct LocalizedTitles<ParticlePattern> {
    using E = ParticlePattern;
    static constexpr std::array<std::pair<E, std::string_view>, 6> cases{{
        {E::sparks, "Faíscas"},
        {E::burst, "Explosão"},
        {E::dust, "Poeira"},
        {E::ribbons, "Fitas"},
        {E::twirl, "Espiral"},
        {E::fountain, "Jatos"},
    }};
};

template <> struct LocalizedTitles<SmokePattern> {
    using E = SmokePattern;
    static constexpr std::array<std::pair<E, std::string_view>, 4> cases{{
        {E::wisps, "Filamentos"},
        {E::billows, "Nuvens"},
        {E::ribbons, "Fitas"},
        {E::plume, "Coluna"},
    }};
};

template <class E>
concept LocalizedEnumeration = requires { LocalizedTitles<E>::cases; };

// A table that skipped or reordered a case would put labels on the wrong choices.
template <LocalizedEnumeration E> constexpr bool labelsFollowCaseOrder()
{
    const auto& labels = LocalizedTitles<E>::cases;
    const auto& raw = RawValues<E>::cases;
    if (labels.size() != raw.size()) return false;
    for (std::size_t i = 0; i < raw.size(); ++i)
        if (labels[i].first != raw[i].first || labels[i].second.empty()) return false;
    return true;
}
static_assert(labelsFollowCaseOrder<VisualBlendMode>());
static_assert(labelsFollowCaseOrder<BackgroundBlendMode>());
static_assert(labelsFollowCaseOrder<ParticlePattern>());
static_assert(labelsFollowCaseOrder<SmokePattern>());

// The case's label (UTF-8); empty for a value outside the enumeration.
template <LocalizedEnumeration E> constexpr std::string_view localizedTitle(E value)
{
    for (const auto& [c, title] : LocalizedTitles<E>::cases)
        if (c == value) return title;
    return {};
}

} // namespace corvane
