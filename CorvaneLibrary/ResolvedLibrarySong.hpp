#pragma once

#include "CorvaneLibrary/LibrarySongReference.hpp"

#include <optional>
#include <string>

namespace corvane {

// A song as a library list shows it and hands it to practice. Never stored.
struct ResolvedLibrarySong {
    // Unique within one list: the reference's stableID, or the playlist
    // entry's id so that duplicate entries stay distinct.
    std::string id;
    std::string title;
    std::optional<std::string> relativePath;
    LibrarySongReference reference;
    // Path of the file to open; absent when the song could not be located.
    std::optional<std::string> fileURL;

    bool isAvailable() const { return fileURL.has_value(); }

    bool operator==(const ResolvedLibrarySong&) const = default;
};

} // namespace corvane
