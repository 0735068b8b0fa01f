#include "CorvaneApp/demos/DemoMIDIFile.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <string_view>

#include "CorvaneApp/demos/DemoScore.hpp"

namespace corvane::demos {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TimedEvent {
    std::uint32_t tick = 0;
    int order = 0; // at one tick: names and meta first, releases before new notes
    Bytes bytes;
};

void appendQuantity(Bytes& out, std::uint32_t value)
{
    Bytes reversed{static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7) reversed.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    out.insert(out.end(), reversed.rbegin(), reversed.rend());
}

void appendUInt(Bytes& out, std::uint32_t value, int byteCount)
{
    for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

TimedEvent meta(std::uint32_t tick, std::uint8_t type, const Bytes& data)
{
    Bytes bytes{0xFF, type};
    appendQuantity(bytes, static_cast<std::uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return {tick, 0, std::move(bytes)};
}

TimedEvent trackName(std::string_view name) { return meta(0, 0x03, Bytes(name.begin(), name.end())); }

Bytes trackChunk(std::vector<TimedEvent> events, std::uint32_t endTick)
{
    std::stable_sort(events.begin(), events.end(), [](const TimedEvent& a, const TimedEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    events.push_back(meta(std::max(endTick, events.empty() ? 0 : events.back().tick), 0x2F, {}));
    Bytes data;
    std::uint32_t previous = 0;
    for (const auto& event : events) {
        appendQuantity(data, event.tick - previous);
        data.insert(data.end(), event.bytes.begin(), event.bytes.end());
        previous = event.tick;
    }
    Bytes chunk{'M', 'T', 'r', 'k'};
    appendUInt(chunk, static_cast<std::uint32_t>(data.size()), 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    return chunk;
}

Bytes conductorTrack(const DemoPiece& piece, std::uint32_t endTick)
{
    // Compound metres (6/8, 9/8, 12/8) click on the dotted quarter, others on the beat unit.
    const bool compound = piece.beatUnit == 8 && piece.beatsPerBar % 3 == 0 && piece.beatsPerBar > 3;
    const auto clocksPerClick = static_cast<std::uint8_t>(compound ? 36 : 96 / piece.beatUnit);
    const auto denominatorPower = static_cast<std::uint8_t>(std::countr_zero(unsigned{piece.beatUnit}));
    const auto microsecondsPerQuarter = static_cast<std::uint32_t>(std::lround(60'000'000.0 / piece.quartersPerMinute));
    Bytes tempo;
    appendUInt(tempo, microsecondsPerQuarter, 3);
    return trackChunk({meta(0, 0x58, {piece.beatsPerBar, denominatorPower, clocksPerClick, 8}), meta(0, 0x51, tempo)},
                      endTick);
}

Bytes handTrack(std::string_view name, const std::vector<DemoNote>& notes, std::uint8_t channel,
                std::uint8_t velocity, std::uint32_t endTick)
{
    std::vector<TimedEvent> events{trackName(name)};
    for (const auto& note : notes) {
        // A short breath before each release keeps repeated notes apart, on the
        // keyboard and on the falling-note stage.
        const std::uint32_t gap = std::min<std::uint32_t>(note.lengthTicks / 10, 40);
        events.push_back({note.startTick, 2, {static_cast<std::uint8_t>(0x90 | channel), note.pitch, velocity}});
        events.push_back(
            {note.startTick + note.lengthTicks - gap, 1, {static_cast<std::uint8_t>(0x80 | channel), note.pitch, 0x40}});
    }
    return trackChunk(std::move(events), endTick);
}

} // namespace

std::vector<std::uint8_t> demoMIDIFile(const DemoPiece& piece)
{
    const std::string name(piece.resourceName);
    if (piece.rightHand.size() != piece.leftHand.size())
        throw DemoScoreError(name + ": the hands have " + std::to_string(piece.rightHand.size()) + " and " +
                             std::to_string(piece.leftHand.size()) + " bars");
    if (!std::has_single_bit(unsigned{piece.beatUnit}) || piece.beatUnit > 16 || piece.beatsPerBar == 0)
        throw DemoScoreError(name + ": no time signature " + std::to_string(piece.beatsPerBar) + "/" +
                             std::to_string(piece.beatUnit));
    const auto barTicks = ticksPerBar(piece, demoTicksPerQuarter);
    const auto endTick = static_cast<std::uint32_t>(piece.rightHand.size()) * barTicks;
    const auto right = notesOf(piece.rightHand, barTicks, demoTicksPerQuarter, name + " right hand");
    const auto left = notesOf(piece.leftHand, barTicks, demoTicksPerQuarter, name + " left hand");

    Bytes file{'M', 'T', 'h', 'd'};
    appendUInt(file, 6, 4);
    appendUInt(file, 1, 2); // format 1: tracks played together
    appendUInt(file, 3, 2);
    appendUInt(file, demoTicksPerQuarter, 2);
    for (const auto& chunk : {conductorTrack(piece, endTick),
                              handTrack("Mão direita", right, 0, piece.rightVelocity, endTick),
                              handTrack("Mão esquerda", left, 1, piece.leftVelocity, endTick)})
        file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

} // namespace corvane::demos
