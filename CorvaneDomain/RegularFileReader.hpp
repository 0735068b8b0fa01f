#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace corvane {

// The whole content of a regular file at a path the user chose. Never blocks on
// a FIFO or a device, since it refuses anything but a regular file, and never
// reads more than `maximumBytes`.
//
// Throws std::system_error: std::errc::is_a_directory for a folder,
// std::errc::invalid_argument for any other file that is not regular,
// std::errc::file_too_large beyond the limit, and the system's error of opening
// or reading otherwise (a missing file, no permission).
std::vector<std::uint8_t> readRegularFile(const std::filesystem::path& path, std::uintmax_t maximumBytes);

} // namespace corvane
