#pragma once

#include <string>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"
#include "CorvaneDomain/PracticeSongReference.hpp"
#include "CorvaneDomain/UUID.hpp"

namespace corvane {

// One session of one song in the practice history.
class PracticeHistoryEntry {
public:
    PracticeHistoryEntry(UUID id, std::string songTitle, PracticeSongReference songReference, Date startedAt,
                         Date updatedAt, double lastPositionSeconds, PracticeMetrics metrics)
        : updatedAt(updatedAt), lastPositionSeconds(lastPositionSeconds), metrics(metrics), id_(id),
          songTitle_(std::move(songTitle)), songReference_(std::move(songReference)), startedAt_(startedAt)
    {
    }

    // Shared with the saved session it records; saving that session again replaces this entry.
    const UUID& id() const { return id_; }
    const std::string& songTitle() const { return songTitle_; }
    const PracticeSongReference& songReference() const { return songReference_; }
    Date startedAt() const { return startedAt_; }

    Date updatedAt; // the history is ordered by it
    double lastPositionSeconds;
    PracticeMetrics metrics;

    bool operator==(const PracticeHistoryEntry&) const = default;

private:
    UUID id_;
    std::string songTitle_;
    PracticeSongReference songReference_;
    Date startedAt_;
};

// Every member required; decodes all or nothing.
template <> struct JSONCoder<PracticeHistoryEntry> {
    static nlohmann::json encode(const PracticeHistoryEntry& value, const std::string& codingPath);
    static PracticeHistoryEntry decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
