#include "CorvaneDomain/TextDecoding.hpp"

namespace corvane {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

bool isContinuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }

} // namespace

std::u32string decodeUTF8Lossy(std::span<const std::uint8_t> bytes)
{
    std::u32string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const std::uint8_t b0 = bytes[i];
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        // Lengths and the allowed range of the second byte follow the
        // well-formed table of the Unicode standard, so overlong forms and
        // surrogates are ill-formed. A maximal ill-formed prefix becomes one U+FFFD.
        int length = 0;
        std::uint8_t lo = 0x80, hi = 0xBF;
        char32_t cp = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) { length = 2; cp = b0 & 0x1F; }
        else if (b0 == 0xE0) { length = 3; lo = 0xA0; cp = b0 & 0x0F; }
        else if (b0 >= 0xE1 && b0 <= 0xEC) { length = 3; cp = b0 & 0x0F; }
        else if (b0 == 0xED) { length = 3; hi = 0x9F; cp = b0 & 0x0F; }
        else if (b0 >= 0xEE && b0 <= 0xEF) { length = 3; cp = b0 & 0x0F; }
        else if (b0 == 0xF0) { length = 4; lo = 0x90; cp = b0 & 0x07; }
        else if (b0 >= 0xF1 && b0 <= 0xF3) { length = 4; cp = b0 & 0x07; }
        else if (b0 == 0xF4) { length = 4; hi = 0x8F; cp = b0 & 0x07; }
        else {
            out.push_back(replacementCharacter);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 1; k < length; ++k, ++j) {
            if (j >= n) { ok = false; break; }
            const std::uint8_t b = bytes[j];
            const bool inRange = (k == 1) ? (b >= lo && b <= hi) : isContinuation(b);
            if (!inRange) { ok = false; break; }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (ok) {
            out.push_back(cp);
            i = j;
        } else {
            out.push_back(replacementCharacter);
            i = j; // skip the valid prefix; the offending byte is read again
        }
    }
    return out;
}

std::u32string decodeUTF8OrLatin1(std::span<const std::uint8_t> bytes)
{
    auto text = decodeUTF8Lossy(bytes);
    if (text.find(replacementCharacter) == std::u32string::npos) return text;
    return std::u32string(bytes.begin(), bytes.end());
}

std::string encodeUTF8(const std::u32string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool isWhitespaceOrNewline(char32_t c)
{
    // Unicode White_Space: tab, line feeds, space separators and line/paragraph separators.
    if (c >= 0x09 && c <= 0x0D) return true;
    switch (c) {
    case 0x20: case 0x85: case 0xA0: case 0x1680:
    case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

std::u32string trimWhitespaceAndNewlines(const std::u32string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && isWhitespaceOrNewline(text[begin])) ++begin;
    while (end > begin && isWhitespaceOrNewline(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

} // namespace corvane
