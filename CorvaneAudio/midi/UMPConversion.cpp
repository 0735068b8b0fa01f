#include "CorvaneAudio/midi/UMPConversion.hpp"

namespace corvane {

namespace {

bool isStatus(std::uint8_t byte) { return (byte & 0x80) != 0; }

// Number of data bytes after a status byte; absent for bytes that start no message.
std::optional<std::size_t> dataLength(std::uint8_t status)
{
    if (status < 0xF0) {
        const std::uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 1;
    case 0xF2: // song position
        return 2;
    case 0xF6: // tune request
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF:
        return 0;
    default: // 0xF0 is handled by the caller; 0xF4, 0xF5, 0xF9, 0xFD are undefined, 0xF7 stray
        return std::nullopt;
    }
}

} // namespace

MIDI1Decoded decodeMIDI1Message(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) return {};
    const std::uint8_t status = bytes[0];
    if (!isStatus(status)) {
        // Running status is not allowed between the messages we are handed:
        // skip data bytes up to the next status byte.
        std::size_t length = 1;
        while (length < bytes.size() && !isStatus(bytes[length])) ++length;
        return {length, std::nullopt};
    }
    if (status == 0xF0) {
        std::size_t length = 1;
        while (length < bytes.size() && bytes[length] != 0xF7) ++length;
        if (length < bytes.size()) ++length; // the end byte belongs to it
        return {length, std::nullopt};
    }
    const auto needed = dataLength(status);
    if (!needed) return {1, std::nullopt};
    std::uint8_t data[2] = {0, 0};
    for (std::size_t i = 0; i < *needed; ++i) {
        if (1 + i >= bytes.size() || isStatus(bytes[1 + i])) return {1 + i, std::nullopt}; // truncated
        data[i] = bytes[1 + i];
    }
    return {1 + *needed, midi1Word(status, data[0], data[1])};
}

std::size_t midi1BytesOfWord(std::uint32_t word, std::array<std::uint8_t, 3>& out)
{
    if ((word >> 28) != 0x2) return 0;
    const auto status = static_cast<std::uint8_t>((word >> 16) & 0xFF);
    if (!isStatus(status) || status >= 0xF0) return 0;
    out[0] = status;
    out[1] = static_cast<std::uint8_t>((word >> 8) & 0x7F);
    out[2] = static_cast<std::uint8_t>(word & 0x7F);
    return 1 + *dataLength(status);
}

} // namespace corvane
