#pragma once

#include "CorvaneLibrary/PlaylistTrack.hpp"

#include <string>
#include <vector>

namespace corvane {

// Finds the Standard MIDI Files in a folder and every folder below it.
class PlaylistScanner {
public:
    PlaylistScanner() = delete;

    // One track per regular file named *.mid or *.midi (any letter case),
    // sorted by relative path in file-browser order. Hidden items (names
    // starting with a dot) and everything inside hidden folders are left out;
    // symbolic links inside the folder are not followed. A folder that cannot
    // be read gives an empty list. Safe to call from any thread.
    static std::vector<PlaylistTrack> tracks(const std::string& folder);
};

} // namespace corvane
