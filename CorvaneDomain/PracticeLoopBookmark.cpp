#include "CorvaneDomain/PracticeLoopBookmark.hpp"

#include <algorithm>
#include <limits>
#include <string_view>

#include "CorvaneDomain/SaturatingArithmetic.hpp"

namespace corvane {

namespace {

bool isWhiteSpaceOrNewline(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Trims ASCII white space, NEL and every Unicode space separator (no-break
// space, Ogham space mark, the U+2000 block, narrow no-break and medium
// mathematical space, ideographic space) and the line and paragraph separators.
std::string trimmed(const std::string& text)
{
    const auto leadingLength = [](std::string_view s) -> std::size_t {
        if (s.empty()) return 0;
        const auto c = static_cast<unsigned char>(s[0]);
        if (isWhiteSpaceOrNewline(c)) return 1;
        if (s.size() >= 2 && c == 0xC2 && (static_cast<unsigned char>(s[1]) == 0xA0 ||
                                           static_cast<unsigned char>(s[1]) == 0x85))
            return 2;
        if (s.size() >= 3 && c == 0xE2 && static_cast<unsigned char>(s[1]) == 0x80) {
            const auto t = static_cast<unsigned char>(s[2]);
            if (t <= 0x8A || t == 0xA8 || t == 0xA9 || t == 0xAF) return 3;
        }
        if (s.size() >= 3 && c == 0xE2 && static_cast<unsigned char>(s[1]) == 0x81 &&
            static_cast<unsigned char>(s[2]) == 0x9F)
            return 3;
        if (s.size() >= 3 && c == 0xE1 && static_cast<unsigned char>(s[1]) == 0x9A &&
            static_cast<unsigned char>(s[2]) == 0x80)
            return 3;
        if (s.size() >= 3 && c == 0xE3 && static_cast<unsigned char>(s[1]) == 0x80 &&
            static_cast<unsigned char>(s[2]) == 0x80)
            return 3;
        return 0;
    };
    const auto trailingLength = [&](std::string_view s) -> std::size_t {
        for (std::size_t n = 1; n <= std::min<std::size_t>(3, s.size()); ++n)
            if (leadingLength(s.substr(s.size() - n)) == n) return n;
        return 0;
    };
    std::string_view view(text);
    while (auto n = leadingLength(view)) view.remove_prefix(n);
    while (auto n = trailingLength(view)) view.remove_suffix(n);
    return std::string(view);
}

} // namespace

PracticeLoopBookmark::PracticeLoopBookmark(UUID id, std::int64_t startMeasure, std::int64_t endMeasure,
                                           std::string name, PracticeMetrics metrics, std::int64_t repetitions,
                                           std::optional<Date> lastPracticedAt)
    : startMeasure(std::min(startMeasure, endMeasure)), endMeasure(std::max(startMeasure, endMeasure)),
      name(std::move(name)), metrics(metrics), repetitions(std::max<std::int64_t>(0, repetitions)),
      lastPracticedAt(lastPracticedAt), id_(id)
{
}

std::int64_t PracticeLoopBookmark::measureCount() const
{
    return saturatingAdd(saturatingSubtract(endMeasure, startMeasure), 1);
}

std::string PracticeLoopBookmark::autoName() const
{
    if (startMeasure == endMeasure) return "Compasso " + std::to_string(startMeasure);
    return "Compassos " + std::to_string(startMeasure) + "\u2013" + std::to_string(endMeasure);
}

std::string PracticeLoopBookmark::displayName() const
{
    auto shown = trimmed(name);
    return shown.empty() ? autoName() : shown;
}

std::optional<MIDILoopRange> loopRange(const MIDIMeasureMap& map, const PracticeLoopBookmark& bookmark)
{
    const auto& markers = map.markers;
    const auto start = std::find_if(markers.begin(), markers.end(),
                                    [&](const auto& m) { return m.measureNumber == bookmark.startMeasure; });
    if (start == markers.end()) return std::nullopt;
    // The measure after the last one; the song-end marker closes the last measure.
    const auto end = std::find_if(markers.begin(), markers.end(), [&](const auto& m) {
        return bookmark.endMeasure < std::numeric_limits<std::int64_t>::max() && m.measureNumber == bookmark.endMeasure + 1;
    });
    const double endSeconds = end == markers.end() ? map.durationSeconds : end->seconds;
    if (!(start->seconds < endSeconds)) return std::nullopt;
    return MIDILoopRange{start->seconds, endSeconds};
}

std::optional<PracticeLoopBookmark> bookmark(const MIDIMeasureMap& map, const MIDILoopRange& range, std::string name)
{
    constexpr double tolerance = 0.001;
    std::optional<std::int64_t> startMeasure, endCandidate;
    for (const auto& marker : map.markers) {
        if (marker.isSongEnd) continue;
        if (marker.seconds <= range.startSeconds + tolerance) startMeasure = marker.measureNumber;
        if (marker.seconds < range.endSeconds - tolerance) endCandidate = marker.measureNumber;
    }
    if (!startMeasure) return std::nullopt;
    const auto endMeasure = std::max(*startMeasure, endCandidate.value_or(*startMeasure));
    return PracticeLoopBookmark(UUID::random(), *startMeasure, endMeasure, std::move(name), PracticeMetrics::zero(),
                                0, std::nullopt);
}

nlohmann::json JSONCoder<PracticeLoopBookmark>::encode(const PracticeLoopBookmark& value,
                                                       const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("id", value.id());
    object.write("startMeasure", value.startMeasure);
    object.write("endMeasure", value.endMeasure);
    object.write("name", value.name);
    object.write("metrics", value.metrics);
    object.write("repetitions", value.repetitions);
    object.writeIfPresent("lastPracticedAt", value.lastPracticedAt);
    return object.take();
}

PracticeLoopBookmark JSONCoder<PracticeLoopBookmark>::decode(const nlohmann::json& json,
                                                             const std::string& codingPath)
{
    const JSONObjectReader object(json, codingPath);
    const auto id = object.optional<UUID>("id");
    const auto startMeasure = object.required<std::int64_t>("startMeasure");
    const auto endMeasure = object.required<std::int64_t>("endMeasure");
    auto name = object.optional<std::string>("name", "");
    const auto metrics = object.optional("metrics", PracticeMetrics::zero());
    const auto repetitions = object.optional<std::int64_t>("repetitions", 0);
    const auto lastPracticedAt = object.optional<Date>("lastPracticedAt");
    return PracticeLoopBookmark(id ? *id : UUID::random(), startMeasure, endMeasure, std::move(name), metrics,
                                repetitions, lastPracticedAt);
}

} // namespace corvane
