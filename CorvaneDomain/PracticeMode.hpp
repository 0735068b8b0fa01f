#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "CorvaneDomain/RawValueEnum.hpp"

namespace corvane {

enum class PracticeMode {
    accompaniment, // the song plays every note
    practice,      // the practised hand's notes are left to the student
    wait,          // the song waits until the expected chord is played
};

template <> struct RawValues<PracticeMode> {
    static constexpr std::array<std::pair<PracticeMode, std::string_view>, 3> cases{{
        {PracticeMode::accompaniment, "accompaniment"},
        {PracticeMode::practice, "practice"},
        {PracticeMode::wait, "wait"},
    }};
};

// Whether the song sounds a score note itself: only in practice mode are the
// student's notes held back.
constexpr bool playsScoreNote(PracticeMode mode, bool isStudentNote)
{
    return !(mode == PracticeMode::practice && isStudentNote);
}

// The hand being graded.
enum class PracticeHand { both, left, right };

template <> struct RawValues<PracticeHand> {
    static constexpr std::array<std::pair<PracticeHand, std::string_view>, 3> cases{{
        {PracticeHand::both, "both"},
        {PracticeHand::left, "left"},
        {PracticeHand::right, "right"},
    }};
};

} // namespace corvane
