#include "CorvaneDomain/UUID.hpp"

#include <cstring>
#include <functional>
#include <random>

namespace corvane {

namespace {

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isHyphenPosition(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

} // namespace

UUID UUID::random()
{
    // Seeded once per thread from the system's entropy source.
    thread_local std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    UUID uuid;
    const std::uint64_t high = generator(), low = generator();
    std::memcpy(uuid.bytes.data(), &high, 8);
    std::memcpy(uuid.bytes.data() + 8, &low, 8);
    uuid.bytes[6] = static_cast<std::uint8_t>((uuid.bytes[6] & 0x0F) | 0x40); // version 4
    uuid.bytes[8] = static_cast<std::uint8_t>((uuid.bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return uuid;
}

std::optional<UUID> UUID::fromString(std::string_view text)
{
    if (text.size() != 36) return std::nullopt;
    UUID uuid;
    std::size_t byte = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (isHyphenPosition(i)) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        const int high = hexDigitValue(text[i]), low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0 || isHyphenPosition(i + 1)) return std::nullopt;
        uuid.bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
        i += 2;
    }
    return uuid;
}

std::string UUID::uuidString() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::size_t UUIDHash::operator()(const UUID& uuid) const
{
    std::uint64_t high, low;
    std::memcpy(&high, uuid.bytes.data(), 8);
    std::memcpy(&low, uuid.bytes.data() + 8, 8);
    return std::hash<std::uint64_t>{}(high ^ (low * 0x9E3779B97F4A7C15ull));
}

} // namespace corvane
