#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/PracticeFeedback.hpp"
#include "CorvaneDomain/PracticeHandMap.hpp"
#include "CorvaneDomain/PracticeMode.hpp"

namespace corvane {

struct GuidedPracticeConfiguration {
    // Largest |offset| still graded correct; also how far back a seek leaves
    // notes open and how far ahead wait mode looks.
    double correctToleranceSeconds;
    // Largest distance between a played time and an expected start to match them.
    double matchingWindowSeconds;
    // Largest distance between starts for notes to form one chord.
    double chordToleranceSeconds;

    // Requires 0 <= correct <= matching and chord >= 0 (NaN fails); throws
    // std::invalid_argument otherwise, so invalid tolerances are never used.
    GuidedPracticeConfiguration(double correctToleranceSeconds, double matchingWindowSeconds,
                                double chordToleranceSeconds);

    bool operator==(const GuidedPracticeConfiguration&) const = default;
};

// Grades played notes against the practised hand's notes of the score and
// tells wait mode which chord is due. Holds no clock: every call takes the
// song position.
class GuidedPracticeEngine {
public:
    // The notes are the score's spans themselves, shared, not a copy.
    GuidedPracticeEngine(MIDINoteSpanList noteSpans, PracticeHand hand, PracticeHandMap handMap,
                         GuidedPracticeConfiguration configuration);

    PracticeHand hand() const { return hand_; }
    const PracticeHandMap& handMap() const { return handMap_; }
    const GuidedPracticeConfiguration& configuration() const { return configuration_; }

    void reset(MIDINoteSpanList noteSpans, std::optional<PracticeHand> hand = std::nullopt,
               std::optional<PracticeHandMap> handMap = std::nullopt);
    void setHand(PracticeHand hand);
    void setHandMap(const PracticeHandMap& handMap);
    // Notes starting more than the correct tolerance before the position count as passed.
    void seek(double seconds);
    PracticeFeedback evaluate(std::uint8_t note, std::uint8_t velocity, double seconds);
    std::optional<PracticeWaitTarget> waitTarget(double seconds) const;

    // Song position less the input latency (real milliseconds scaled by the
    // rate into song seconds), never below 0.
    static double compensatedPosition(double positionSeconds, double latencyMilliseconds, double playbackRate);

private:
    // The spans in the order notes are expected: by start, then track, then
    // event, as a timeline gives them (then they are kept as they are).
    static MIDINoteSpanList expectedOrder(MIDINoteSpanList noteSpans);
    // The notes are kept in time order, so every question looks only at the
    // notes near the time it is about, by halving: a song of a million notes
    // grades a key, waits for a chord and seeks as fast as a short one.
    using Index = std::size_t;
    // The first note starting at or after `seconds`, and the first after it.
    Index firstFrom(double seconds) const;
    Index firstAfter(double seconds) const;
    bool isOpen(Index note) const { return note >= passed_ && !matched_[note]; }
    bool belongsToHand(const MIDINoteSpan& note) const;
    bool isCandidate(Index note) const { return isOpen(note) && belongsToHand(expectedNotes_[note]); }
    // The first open note of the hand; none before it is one.
    Index firstCandidate() const;
    // Forgets every answer and every seek.
    void reopenAll();
    const MIDINoteSpan* nextExpectedNote(double seconds) const;

    PracticeHand hand_;
    PracticeHandMap handMap_;
    GuidedPracticeConfiguration configuration_;
    MIDINoteSpanList expectedNotes_;
    // The notes answered, by their place in expectedNotes_; those before
    // `passed_` were passed by a seek.
    std::vector<bool> matched_;
    Index passed_ = 0;
    // No note before it is open and the hand's: notes only close until the
    // next reopenAll(), so it only moves on.
    mutable Index firstCandidate_ = 0;
};

} // namespace corvane
