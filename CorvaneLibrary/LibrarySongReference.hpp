#pragma once

#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/UUID.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corvane {

// Where a library song comes from. Its `stableID` is the key of the song; for
// demo pieces and external files it equals the key of the practice records.
struct LibrarySongReference {
    // One of the built-in demo pieces.
    struct BundledDemo {
        std::string id;
        bool operator==(const BundledDemo&) const = default;
    };
    // A file inside a library source, by the path the scanner gave it.
    struct SourceTrack {
        UUID sourceID;
        std::string relativePath;
        bool operator==(const SourceTrack&) const = default;
    };
    // A file outside every source, with a bookmark when one could be made.
    struct ExternalFile {
        std::string path;
        std::optional<std::vector<std::uint8_t>> bookmarkData;
        bool operator==(const ExternalFile&) const = default;
    };
    using Value = std::variant<BundledDemo, SourceTrack, ExternalFile>;

    Value value;

    LibrarySongReference(BundledDemo v) : value(std::move(v)) {}
    LibrarySongReference(SourceTrack v) : value(std::move(v)) {}
    LibrarySongReference(ExternalFile v) : value(std::move(v)) {}
    static LibrarySongReference bundledDemo(std::string id) { return BundledDemo{std::move(id)}; }
    static LibrarySongReference sourceTrack(UUID sourceID, std::string relativePath) {
        return SourceTrack{sourceID, std::move(relativePath)};
    }
    static LibrarySongReference externalFile(std::string path,
                                             std::optional<std::vector<std::uint8_t>> bookmarkData) {
        return ExternalFile{std::move(path), std::move(bookmarkData)};
    }

    template <class C> const C* as() const { return std::get_if<C>(&value); }

    // "demo:<id>", "source:<SOURCE-UUID>:<relative path>" or "file:<standardised path>".
    std::string stableID() const;

    bool operator==(const LibrarySongReference&) const = default;
};

struct LibrarySongReferenceHash {
    std::size_t operator()(const LibrarySongReference& reference) const;
};

template <> struct JSONCoder<LibrarySongReference> {
    static nlohmann::json encode(const LibrarySongReference& reference, const std::string& codingPath);
    static LibrarySongReference decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
