#include "CorvaneDomain/PracticeLoopBookmark.hpp"

#include <algorithm>
#include <iterator>
#include <limits>
#include <span>

#include "CorvaneDomain/SaturatingArithmetic.hpp"
#include "CorvaneDomain/TextDecoding.hpp"

namespace corvane {

std::string trimmedLoopName(const std::string& name)
{
    const auto decoded = decodeUTF8Lossy({reinterpret_cast<const std::uint8_t*>(name.data()), name.size()});
    const auto first = std::find_if_not(decoded.begin(), decoded.end(), isWhitespaceOrNewline);
    const auto last =
        std::find_if_not(decoded.rbegin(), std::make_reverse_iterator(first), isWhitespaceOrNewline).base();
    // White space is always well-formed, so it re-encodes to the bytes it came from.
    const auto leading = encodeUTF8(std::u32string(decoded.begin(), first)).size();
    const auto trailing = encodeUTF8(std::u32string(last, decoded.end())).size();
    return name.substr(leading, name.size() - leading - trailing);
}

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
    auto shown = trimmedLoopName(name);
    return shown.empty() ? autoName() : shown;
}

std::optional<MIDILoopRange> loopRange(const MIDIMeasureMap& map, const PracticeLoopBookmark& bookmark)
{
    const auto startSeconds = map.secondsAtMeasureStart(bookmark.startMeasure);
    if (!startSeconds) return std::nullopt;
    // The measure after the last one; the song-end marker closes the last measure.
    const auto nextSeconds = bookmark.endMeasure < std::numeric_limits<std::int64_t>::max()
                                 ? map.secondsAtMeasureStart(bookmark.endMeasure + 1)
                                 : std::nullopt;
    const double endSeconds = nextSeconds.value_or(map.durationSeconds);
    if (!(*startSeconds < endSeconds)) return std::nullopt;
    return MIDILoopRange{*startSeconds, endSeconds};
}

std::optional<PracticeLoopBookmark> bookmark(const MIDIMeasureMap& map, const MIDILoopRange& range, std::string name)
{
    constexpr double tolerance = 0.001;
    // The bars, without the song-end marker that closes the list; their
    // seconds ascend, so the last bar before a moment is found by halving.
    const auto bars = std::span(map.markers).first(map.markers.size() - 1);
    const auto lastBarWhere = [&](auto before) -> std::optional<std::int64_t> {
        const auto after = std::partition_point(bars.begin(), bars.end(), before);
        if (after == bars.begin()) return std::nullopt;
        return (after - 1)->measureNumber;
    };
    const auto startMeasure =
        lastBarWhere([&](const MIDIMeasureMarker& marker) { return marker.seconds <= range.startSeconds + tolerance; });
    const auto endCandidate =
        lastBarWhere([&](const MIDIMeasureMarker& marker) { return marker.seconds < range.endSeconds - tolerance; });
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
