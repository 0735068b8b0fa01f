#pragma once

#include "CorvaneLibrary/LibraryPlaylistEntry.hpp"

#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/UUID.hpp"

#include <string>
#include <vector>

namespace corvane {

// A named, ordered list of songs made by the user.
struct MusicPlaylist {
    UUID id;
    std::string name;
    std::vector<LibraryPlaylistEntry> entries;

    bool operator==(const MusicPlaylist&) const = default;
};

template <> struct JSONCoder<MusicPlaylist> {
    static nlohmann::json encode(const MusicPlaylist& playlist, const std::string& codingPath);
    static MusicPlaylist decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
