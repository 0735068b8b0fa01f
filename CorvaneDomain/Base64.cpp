#include "CorvaneDomain/Base64.hpp"

namespace corvane {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

} // namespace

std::string base64Encoded(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += alphabet[(group >> 6) & 63];
        text += alphabet[group & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 1) {
        const std::uint32_t group = bytes[i] << 16;
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += "==";
    } else if (rest == 2) {
        const std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8);
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += alphabet[(group >> 6) & 63];
        text += '=';
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> base64Decoded(std::string_view text)
{
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;

    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = text[i + j];
            int value = sextet(c);
            if (value < 0) {
                // Padding only in the last group's final one or two places.
                if (c != '=' || !last || j < 4 - padding) return std::nullopt;
                value = 0;
            }
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        bytes.push_back(static_cast<std::uint8_t>(group >> 16));
        if (!last || padding < 2) bytes.push_back(static_cast<std::uint8_t>(group >> 8));
        if (!last || padding < 1) bytes.push_back(static_cast<std::uint8_t>(group));
    }
    return bytes;
}

} // namespace corvane
