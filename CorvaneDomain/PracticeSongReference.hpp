#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "CorvaneDomain/JSONCoding.hpp"

namespace corvane {

// How a practised song is found again in a later run.
struct PracticeSongReference {
    // One of the built-in demo pieces, by its demo id.
    struct BundledDemo {
        std::string id;
        bool operator==(const BundledDemo&) const = default;
    };
    // A MIDI file chosen by the user: its absolute path and, when one could be
    // made, a bookmark that reaches it again.
    struct ExternalFile {
        std::string path;
        std::optional<std::vector<std::uint8_t>> bookmarkData;
        bool operator==(const ExternalFile&) const = default;
    };
    using Value = std::variant<BundledDemo, ExternalFile>;

    Value value;

    PracticeSongReference() = default;
    template <class C>
        requires std::is_constructible_v<Value, C>
    PracticeSongReference(C c) : value(std::move(c)) {}
    static PracticeSongReference bundledDemo(std::string id) { return BundledDemo{std::move(id)}; }
    static PracticeSongReference externalFile(std::string path,
                                              std::optional<std::vector<std::uint8_t>> bookmarkData = std::nullopt)
    {
        return ExternalFile{std::move(path), std::move(bookmarkData)};
    }

    template <class C> const C* as() const { return std::get_if<C>(&value); }

    // The key of every per-song record: "demo:<id>" or "file:<standardised
    // path>". The bookmark plays no part, so two references that differ only
    // in their bookmark share their records although they are unequal.
    std::string stableID() const;

    bool operator==(const PracticeSongReference&) const = default;
};

struct PracticeSongReferenceHash {
    std::size_t operator()(const PracticeSongReference& reference) const;
};

// {"bundledDemo": {"id": ...}} or {"externalFile": {"path": ..., "bookmarkData": ...}}.
template <> struct JSONCoder<PracticeSongReference> {
    static nlohmann::json encode(const PracticeSongReference& value, const std::string& codingPath);
    static PracticeSongReference decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
