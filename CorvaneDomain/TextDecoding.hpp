#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane {

// Decodes UTF-8, replacing each ill-formed sequence with U+FFFD.
std::u32string decodeUTF8Lossy(std::span<const std::uint8_t> bytes);

// UTF-8 when the result holds no U+FFFD, else every byte as its ISO 8859-1 code point.
std::u32string decodeUTF8OrLatin1(std::span<const std::uint8_t> bytes);

std::string encodeUTF8(const std::u32string& text);

bool isWhitespaceOrNewline(char32_t c);
std::u32string trimWhitespaceAndNewlines(const std::u32string& text);

} // namespace corvane
