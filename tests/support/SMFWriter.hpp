#pragma once

// Builds Standard MIDI File bytes for tests, benchmarks and fuzz seeds.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace smf {

using Bytes = std::vector<std::uint8_t>;

inline Bytes vlq(std::uint32_t value)
{
    Bytes reversed{static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7) reversed.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    return Bytes(reversed.rbegin(), reversed.rend());
}

inline void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline void appendUInt32(Bytes& out, std::uint32_t v)
{
    out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

inline void appendUInt16(Bytes& out, std::uint16_t v) { out.insert(out.end(), {std::uint8_t(v >> 8), std::uint8_t(v)}); }

// Events of one track chunk; each call takes the delta time before the event.
struct Track {
    Bytes bytes;

    Track& raw(std::initializer_list<std::uint8_t> b)
    {
        bytes.insert(bytes.end(), b);
        return *this;
    }
    Track& event(std::uint32_t delta, std::initializer_list<std::uint8_t> b)
    {
        append(bytes, vlq(delta));
        return raw(b);
    }
    Track& noteOn(std::uint32_t delta, std::uint8_t note, std::uint8_t velocity = 100, std::uint8_t channel = 0)
    {
        return event(delta, {std::uint8_t(0x90 | channel), note, velocity});
    }
    Track& noteOff(std::uint32_t delta, std::uint8_t note, std::uint8_t velocity = 64, std::uint8_t channel = 0)
    {
        return event(delta, {std::uint8_t(0x80 | channel), note, velocity});
    }
    Track& meta(std::uint32_t delta, std::uint8_t type, const Bytes& data)
    {
        append(bytes, vlq(delta));
        bytes.push_back(0xFF);
        bytes.push_back(type);
        append(bytes, vlq(static_cast<std::uint32_t>(data.size())));
        append(bytes, data);
        return *this;
    }
    Track& tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter)
    {
        return meta(delta, 0x51,
                    {std::uint8_t(microsecondsPerQuarter >> 16), std::uint8_t(microsecondsPerQuarter >> 8),
                     std::uint8_t(microsecondsPerQuarter)});
    }
    Track& timeSignature(std::uint32_t delta, std::uint8_t numerator, std::uint8_t denominatorExponent,
                         std::uint8_t clocks = 24, std::uint8_t thirtySeconds = 8)
    {
        return meta(delta, 0x58, {numerator, denominatorExponent, clocks, thirtySeconds});
    }
    Track& name(std::uint32_t delta, const std::string& text) { return meta(delta, 0x03, Bytes(text.begin(), text.end())); }
    Track& endOfTrack(std::uint32_t delta = 0) { return meta(delta, 0x2F, {}); }
};

inline Bytes chunk(const char* name, const Bytes& data)
{
    Bytes out(name, name + 4);
    appendUInt32(out, static_cast<std::uint32_t>(data.size()));
    append(out, data);
    return out;
}

inline Bytes header(std::uint16_t format, std::uint16_t trackCount, std::uint16_t division)
{
    Bytes data;
    appendUInt16(data, format);
    appendUInt16(data, trackCount);
    appendUInt16(data, division);
    return chunk("MThd", data);
}

inline Bytes file(std::uint16_t format, std::uint16_t division, const std::vector<Track>& tracks)
{
    Bytes out = header(format, static_cast<std::uint16_t>(tracks.size()), division);
    for (const auto& track : tracks) append(out, chunk("MTrk", track.bytes));
    return out;
}

} // namespace smf
