#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "CorvaneDomain/MIDIFile.hpp"
#include "CorvaneDomain/MIDIFileParseError.hpp"

namespace corvane {

// Reads Standard MIDI Files: strict about the container, lenient about content.
struct StandardMIDIFileParser {
    // From this size on, a file's tracks are read on several threads at once;
    // the result, or the error thrown, is the same either way.
    std::size_t parallelFromBytes = 256 << 10;

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
