#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace corvane {

enum class PracticeFeedbackKind { correct, early, late, incorrect };

// The grade of one played note.
struct PracticeFeedback {
    PracticeFeedbackKind kind = PracticeFeedbackKind::incorrect;
    std::uint8_t playedNote = 0;
    // The expected note it was graded against; for `incorrect` the next expected note, if any.
    std::optional<std::uint8_t> expectedNote;
    // Played time minus the expected start (negative = early); absent for `incorrect`.
    std::optional<double> timingOffsetSeconds;
    std::uint8_t velocity = 0;

    bool operator==(const PracticeFeedback&) const = default;
};

// The chord wait mode waits for.
struct PracticeWaitTarget {
    double startSeconds = 0;
    std::vector<std::uint8_t> requiredNotes; // distinct, ascending

    bool operator==(const PracticeWaitTarget&) const = default;
};

} // namespace corvane
