#pragma once

#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/UUID.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// One folder of the earlier library, which turned every folder into a
// playlist. Still read to carry those folders over into the library.
struct FolderPlaylist {
    UUID id;
    std::string name;
    std::string directoryPath;
    std::vector<std::uint8_t> bookmarkData;

    bool operator==(const FolderPlaylist&) const = default;
};

template <> struct JSONCoder<FolderPlaylist> {
    static nlohmann::json encode(const FolderPlaylist& playlist, const std::string& codingPath);
    static FolderPlaylist decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
