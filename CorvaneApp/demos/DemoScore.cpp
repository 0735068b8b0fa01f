#include "CorvaneApp/demos/DemoScore.hpp"

#include <cctype>
#include <optional>
#include <string>
#include <utility>

namespace corvane::demos {

namespace {

constexpr int lowestPianoKey = 21;  // A0
constexpr int highestPianoKey = 108; // C8

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const auto end = text.find(separator);
        const auto part = text.substr(0, end);
        if (!part.empty()) parts.push_back(part);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return parts;
}

std::optional<std::uint8_t> pitchOf(std::string_view note)
{
    static constexpr int semitones[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (note.size() < 2 || note[0] < 'A' || note[0] > 'G') return std::nullopt;
    int pitch = semitones[note[0] - 'A'];
    std::size_t at = 1;
    if (note[at] == '#') ++pitch, ++at;
    else if (note[at] == 'b') --pitch, ++at;
    if (at + 1 != note.size() || !std::isdigit(static_cast<unsigned char>(note[at]))) return std::nullopt;
    pitch += 12 * (note[at] - '0' + 1);
    if (pitch < lowestPianoKey || pitch > highestPianoKey) return std::nullopt;
    return static_cast<std::uint8_t>(pitch);
}

std::optional<std::uint32_t> lengthOf(std::string_view text, std::uint16_t ticksPerQuarter)
{
    const bool dotted = !text.empty() && text.back() == '.';
    if (dotted) text.remove_suffix(1);
    std::uint32_t wholeTicks = 4u * ticksPerQuarter;
    std::uint32_t ticks = 0;
    static constexpr std::pair<std::string_view, std::uint32_t> divisors[] = {
        {"1", 1}, {"2", 2}, {"4", 4}, {"8", 8}, {"16", 16}};
    for (const auto& [name, divisor] : divisors)
        if (text == name) ticks = wholeTicks / divisor;
    if (ticks == 0) return std::nullopt;
    return dotted ? ticks + ticks / 2 : ticks;
}

} // namespace

std::uint32_t ticksPerBar(const DemoPiece& piece, std::uint16_t ticksPerQuarter)
{
    return piece.beatsPerBar * (4u * ticksPerQuarter / piece.beatUnit);
}

std::vector<DemoNote> notesOf(const Phrase& bars, std::uint32_t barTicks, std::uint16_t ticksPerQuarter,
                              std::string_view handName)
{
    std::vector<DemoNote> notes;
    for (std::size_t index = 0; index < bars.size(); ++index) {
        const std::string where = std::string(handName) + ", bar " + std::to_string(index + 1);
        const std::uint32_t barStart = static_cast<std::uint32_t>(index) * barTicks;
        std::uint32_t position = 0;
        for (const auto token : split(bars[index], ' ')) {
            const auto colon = token.find(':');
            const auto length = colon == std::string_view::npos
                                    ? std::nullopt
                                    : lengthOf(token.substr(colon + 1), ticksPerQuarter);
            if (!length) throw DemoScoreError(where + ": no length in \"" + std::string(token) + "\"");
            const auto pitches = token.substr(0, colon);
            if (pitches != "r") {
                for (const auto note : split(pitches, '+')) {
                    const auto pitch = pitchOf(note);
                    if (!pitch) throw DemoScoreError(where + ": no piano key \"" + std::string(note) + "\"");
                    notes.push_back({barStart + position, *length, *pitch});
                }
            }
            position += *length;
        }
        if (position != barTicks)
            throw DemoScoreError(where + " lasts " + std::to_string(position) + " ticks instead of " +
                                 std::to_string(barTicks));
    }
    return notes;
}

} // namespace corvane::demos
