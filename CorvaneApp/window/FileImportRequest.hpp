#pragma once

#include <optional>
#include <variant>

#include "CorvaneDomain/UUID.hpp"

namespace corvane {

// What the main window's one file dialog was opened for.
struct FileImportRequest {
    struct MIDI {
        bool operator==(const MIDI&) const = default;
    };
    struct LibraryFolder {
        bool operator==(const LibraryFolder&) const = default;
    };
    // A library source whose folder is chosen again.
    struct ReauthorizedFolder {
        UUID sourceID;
        bool operator==(const ReauthorizedFolder&) const = default;
    };

    std::variant<MIDI, LibraryFolder, ReauthorizedFolder> kind;

    static FileImportRequest midi() { return {MIDI{}}; }
    static FileImportRequest libraryFolder() { return {LibraryFolder{}}; }
    static FileImportRequest reauthorizedFolder(UUID sourceID) { return {ReauthorizedFolder{sourceID}}; }

    // Folders for the two library requests; MIDI files otherwise.
    bool choosesFolder() const { return !std::holds_alternative<MIDI>(kind); }

    bool operator==(const FileImportRequest&) const = default;
};

} // namespace corvane
