#pragma once

#include "CorvaneLibrary/LibrarySource.hpp"
#include "CorvaneLibrary/MusicPlaylist.hpp"

#include "CorvaneDomain/JSONCoding.hpp"

#include <vector>

namespace corvane {

// The music library as stored: both members required when reading.
struct PersistedMusicLibrary {
    std::vector<LibrarySource> sources;
    std::vector<MusicPlaylist> playlists;

    bool operator==(const PersistedMusicLibrary&) const = default;
};

template <> struct JSONCoder<PersistedMusicLibrary> {
    static nlohmann::json encode(const PersistedMusicLibrary& library, const std::string& codingPath);
    static PersistedMusicLibrary decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
