#pragma once

#include "CorvaneLibrary/LibrarySongReference.hpp"

#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/UUID.hpp"

#include <string>

namespace corvane {

// One line of a playlist. A playlist may hold the same song several times;
// the entry ids tell them apart.
struct LibraryPlaylistEntry {
    UUID id;
    std::string title;
    LibrarySongReference reference;

    bool operator==(const LibraryPlaylistEntry&) const = default;
};

template <> struct JSONCoder<LibraryPlaylistEntry> {
    static nlohmann::json encode(const LibraryPlaylistEntry& entry, const std::string& codingPath);
    static LibraryPlaylistEntry decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
