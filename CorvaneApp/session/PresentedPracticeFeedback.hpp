#pragma once

#include <cstdint>

#include "CorvaneDomain/PracticeFeedback.hpp"

namespace corvane {

// The latest grade shown to the student; `sequence` is that of the impact the
// same key press made, so it rises with every graded note.
struct PresentedPracticeFeedback {
    std::uint64_t sequence = 0;
    PracticeFeedback feedback;

    std::uint64_t id() const { return sequence; }
    bool operator==(const PresentedPracticeFeedback&) const = default;
};

} // namespace corvane
