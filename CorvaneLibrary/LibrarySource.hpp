#pragma once

#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/UUID.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// One folder of MIDI files that the user added to the library.
struct LibrarySource {
    UUID id;
    // The folder's last path component when it was added or renewed.
    std::string name;
    // Standardised path of the folder; one source per path.
    std::string directoryPath;
    // The only way to reach the folder again in a later run.
    std::vector<std::uint8_t> bookmarkData;
    // False once the bookmark could not be resolved or the user removed it.
    bool isAvailable = true;

    bool operator==(const LibrarySource&) const = default;
};

template <> struct JSONCoder<LibrarySource> {
    static nlohmann::json encode(const LibrarySource& source, const std::string& codingPath);
    static LibrarySource decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
