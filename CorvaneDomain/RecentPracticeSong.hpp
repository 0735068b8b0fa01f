#pragma once

#include <string>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"
#include "CorvaneDomain/PracticeSongReference.hpp"

namespace corvane {

// One line of the recent-songs list: a song with the metrics of all its
// history entries added up. Computed from the history, never stored.
struct RecentPracticeSong {
    std::string title;
    PracticeSongReference reference;
    Date lastPracticedAt;
    double lastPositionSeconds;
    PracticeMetrics accumulatedMetrics;

    // One line per song: the song's stable key.
    std::string id() const { return reference.stableID(); }

    bool operator==(const RecentPracticeSong&) const = default;
};

} // namespace corvane
