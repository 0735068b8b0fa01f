#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "CorvaneDomain/MIDIFile.hpp"
#include "CorvaneDomain/MIDIFileParseError.hpp"

namespace corvane {

// Reads Standard MIDI Files: strict about the container, lenient about content.
struct StandardMIDIFileParser {
    // Throws MIDIFileParseError.
    MIDIFile parse(std::span<const std::uint8_t> bytes) const;

    // Far beyond any real song; a larger file is refused before it is read.
    static constexpr std::uintmax_t maximumFileBytes = 64 * 1024 * 1024;

    // Reads the whole file first (see readRegularFile: only a regular file of
    // at most maximumFileBytes); a failure to read it is a std::system_error,
    // everything after that as parse(bytes).
    MIDIFile parseContentsOf(const std::filesystem::path& path) const;
};

} // namespace corvane
