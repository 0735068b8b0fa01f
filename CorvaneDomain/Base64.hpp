#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Standard alphabet with "=" padding.
std::string base64Encoded(const std::vector<std::uint8_t>& bytes);

// Strict: only the standard alphabet, length a multiple of four, padding only
// at the end; no white space. Absent for anything else.
std::optional<std::vector<std::uint8_t>> base64Decoded(std::string_view text);

} // namespace corvane
