#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/MIDILoopRange.hpp"
#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"
#include "CorvaneDomain/UUID.hpp"

namespace corvane {

// A saved loop of a song, kept by measure numbers so that it survives rate
// changes and stays on bar lines.
class PracticeLoopBookmark {
public:
    // Measures are put in order; negative repetitions become 0; the name is kept as given.
    PracticeLoopBookmark(UUID id, std::int64_t startMeasure, std::int64_t endMeasure, std::string name,
                         PracticeMetrics metrics, std::int64_t repetitions, std::optional<Date> lastPracticedAt);

    const UUID& id() const { return id_; }
    std::int64_t startMeasure = 1;
    std::int64_t endMeasure = 1; // inclusive
    std::string name;
    PracticeMetrics metrics = PracticeMetrics::zero();
    std::int64_t repetitions = 0;
    std::optional<Date> lastPracticedAt;

    // end − start + 1 (saturating for absurd stored measures).
    std::int64_t measureCount() const;
    // "Compasso 7" or "Compassos 3–5".
    std::string autoName() const;
    // The trimmed name, or the automatic one when that is empty.
    std::string displayName() const;

    bool operator==(const PracticeLoopBookmark&) const = default;

private:
    UUID id_;
};

// A loop name with Unicode white space and line breaks cut from both ends; the
// bytes between are kept exactly, even where they are not UTF-8.
std::string trimmedLoopName(const std::string& name);

// The loop in seconds of a bookmark's measures; absent when its start
// measure is not in the map or the range would be empty.
std::optional<MIDILoopRange> loopRange(const MIDIMeasureMap& map, const PracticeLoopBookmark& bookmark);

// A new bookmark (fresh id, zero metrics) for the bars a loop covers; bounds
// within 1 ms of a bar line snap to it. Absent when the loop starts before
// every bar.
std::optional<PracticeLoopBookmark> bookmark(const MIDIMeasureMap& map, const MIDILoopRange& range, std::string name);

// "startMeasure" and "endMeasure" required; the rest defaults; normalised like the constructor.
template <> struct JSONCoder<PracticeLoopBookmark> {
    static nlohmann::json encode(const PracticeLoopBookmark& value, const std::string& codingPath);
    static PracticeLoopBookmark decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
