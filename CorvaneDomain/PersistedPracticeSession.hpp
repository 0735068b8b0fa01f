#pragma once

#include <optional>
#include <string>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/MIDILoopRangeCoding.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"
#include "CorvaneDomain/PracticeMode.hpp"
#include "CorvaneDomain/PracticeSongReference.hpp"
#include "CorvaneDomain/UUID.hpp"
#include "CorvaneDomain/VisualPreset.hpp"

namespace corvane {

// The session that can be resumed, as saved. Values are stored as given;
// whoever applies a restored session normalises what it takes over.
class PersistedPracticeSession {
public:
    PersistedPracticeSession(UUID historyEntryID, std::string songTitle, PracticeSongReference songReference,
                             Date startedAt, Date updatedAt, double positionSeconds, double playbackRate,
                             std::optional<MIDILoopRange> loopRange, PracticeMode practiceMode,
                             PracticeHand practiceHand, double inputLatencyMilliseconds, VisualPreset visualPreset,
                             PracticeMetrics metrics)
        : updatedAt(updatedAt), positionSeconds(positionSeconds), playbackRate(playbackRate), loopRange(loopRange),
          practiceMode(practiceMode), practiceHand(practiceHand), inputLatencyMilliseconds(inputLatencyMilliseconds),
          visualPreset(std::move(visualPreset)), metrics(metrics), historyEntryID_(historyEntryID),
          songTitle_(std::move(songTitle)), songReference_(std::move(songReference)), startedAt_(startedAt)
    {
    }

    // The id of the history entry that records this same session.
    const UUID& historyEntryID() const { return historyEntryID_; }
    const std::string& songTitle() const { return songTitle_; }
    const PracticeSongReference& songReference() const { return songReference_; }
    Date startedAt() const { return startedAt_; }

    Date updatedAt;
    double positionSeconds;
    double playbackRate;
    std::optional<MIDILoopRange> loopRange;
    PracticeMode practiceMode;
    PracticeHand practiceHand;
    double inputLatencyMilliseconds;
    VisualPreset visualPreset;
    PracticeMetrics metrics;

    bool operator==(const PersistedPracticeSession&) const = default;

private:
    UUID historyEntryID_;
    std::string songTitle_;
    PracticeSongReference songReference_;
    Date startedAt_;
};

// Every member required except "loopRange"; decodes all or nothing.
template <> struct JSONCoder<PersistedPracticeSession> {
    static nlohmann::json encode(const PersistedPracticeSession& value, const std::string& codingPath);
    static PersistedPracticeSession decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
