#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace corvane {

// Enumerations whose cases carry a fixed string (stored in records and used
// as keys) specialise this with `cases`: every case with its string, in
// declaration order.
template <class E> struct RawValues;

template <class E>
concept RawValueEnumeration = std::is_enum_v<E> && requires { RawValues<E>::cases; };

template <RawValueEnumeration E> constexpr std::string_view rawValue(E value)
{
    for (const auto& [c, text] : RawValues<E>::cases)
        if (c == value) return text;
    return {};
}

// Exact, case-sensitive match; absent for any other string.
template <RawValueEnumeration E> constexpr std::optional<E> fromRawValue(std::string_view text)
{
    for (const auto& [c, raw] : RawValues<E>::cases)
        if (raw == text) return c;
    return std::nullopt;
}

template <RawValueEnumeration E> constexpr auto allCases()
{
    constexpr auto& table = RawValues<E>::cases;
    std::array<E, table.size()> result{};
    for (std::size_t i = 0; i < table.size(); ++i) result[i] = table[i].first;
    return result;
}

} // namespace corvane
