#pragma once

#include <cstdint>
#include <optional>

namespace corvane {

// Which stored values mean "never set", and so read as the default.
enum class UnsetWhen { never, zero, notPositive };

// A stored practice setting holding a number: its key, its default, the range
// every value in use keeps to, and the step its rows move by. A stored value
// that is absent, of another type, not a number or unset reads as the
// default; any other is held to the range.
struct PracticeNumberSetting {
    const char* key;
    double fallback;
    double lower;
    double upper;
    double step;
    UnsetWhen unset = UnsetWhen::never;

    double value(std::optional<double> stored) const;
    // A row's proposed value in whole steps within the range; absent for one
    // that is not a number.
    std::optional<double> edited(double proposed) const;
};

// The same for a setting kept as an integer (a double stored under its key
// reads as absent, as the settings file has always had it).
struct PracticeIntegerSetting {
    const char* key;
    std::int64_t fallback;
    std::int64_t lower;
    std::int64_t upper;
    UnsetWhen unset = UnsetWhen::never;

    std::int64_t value(std::optional<std::int64_t> stored) const;
    // A row's proposed value: its integer part within the range.
    std::optional<std::int64_t> edited(double proposed) const;
};

struct PracticeSwitchSetting {
    const char* key;
    bool fallback;

    bool value(std::optional<bool> stored) const { return stored.value_or(fallback); }
};

// Every stored practice setting, declared once. The session controller alone
// reads and writes these keys; screens call its setters and follow its signals.
namespace practiceSettings {

inline constexpr PracticeNumberSetting inputLatencyMilliseconds{"practice.inputLatencyMilliseconds", 0, 0, 200, 1};
inline constexpr PracticeIntegerSetting handSplitNote{"practice.handSplitNote", 60, 21, 108, UnsetWhen::zero};
inline constexpr PracticeNumberSetting seekStepSeconds{"practice.seekStepSeconds", 5, 1, 30, 1,
                                                       UnsetWhen::notPositive};
// The loop editor's fine-adjustment step; its menu offers steps up to half a second.
inline constexpr PracticeNumberSetting loopNudgeStepSeconds{"practice.loopNudgeStepSeconds", 0.05, 0.01, 0.5, 0.01,
                                                            UnsetWhen::notPositive};
inline constexpr PracticeSwitchSetting countInEnabled{"practice.countIn.enabled.v2", false};
inline constexpr PracticeIntegerSetting countInMeasureCount{"practice.countIn.measureCount", 1, 1, 4};
inline constexpr PracticeSwitchSetting reduceParticles{"accessibility.reduceParticles", false};
// Only stored: nothing plays a metronome yet.
inline constexpr PracticeSwitchSetting metronome{"practice.metronome", false};

} // namespace practiceSettings

} // namespace corvane
