#pragma once

#include <cstddef>
#include <string>

namespace corvane {

// One MIDI file found by a folder scan. Never stored: folders are scanned
// again in every run.
struct PlaylistTrack {
    // The standardised form of `fileURL`; computed, never passed in.
    std::string id;
    // The file name without its extension.
    std::string title;
    // Path below the scanned folder, "/" between folder names.
    std::string relativePath;
    // Absolute path of the file, exactly as given (not standardised).
    std::string fileURL;

    PlaylistTrack(std::string title, std::string relativePath, std::string fileURL);

    bool operator==(const PlaylistTrack&) const = default;
};

struct PlaylistTrackHash {
    std::size_t operator()(const PlaylistTrack& track) const;
};

} // namespace corvane
