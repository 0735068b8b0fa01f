#pragma once

#include <cstdint>
#include <optional>

#include "CorvaneDomain/JSONCoding.hpp"

namespace corvane {

// The score card of a stretch of practice. Zero metrics stand for no practice.
struct PracticeMetrics {
    double activeDurationSeconds;
    std::int64_t playedNoteCount;
    std::int64_t correctCount;
    std::int64_t earlyCount;
    std::int64_t lateCount;
    std::int64_t incorrectCount;

    // Negative or NaN duration becomes 0 (infinity is kept); negative counts become 0.
    PracticeMetrics(double activeDurationSeconds, std::int64_t playedNoteCount, std::int64_t correctCount,
                    std::int64_t earlyCount, std::int64_t lateCount, std::int64_t incorrectCount);
    static PracticeMetrics zero() { return PracticeMetrics(0, 0, 0, 0, 0, 0); }
    // The values exactly as given, as a stored record holds them.
    static PracticeMetrics unnormalized(double activeDurationSeconds, std::int64_t playedNoteCount,
                                        std::int64_t correctCount, std::int64_t earlyCount, std::int64_t lateCount,
                                        std::int64_t incorrectCount);

    // correct + early + late + incorrect (saturating).
    std::int64_t evaluatedNoteCount() const;
    // correct / evaluated; absent while nothing was evaluated.
    std::optional<double> onTimeRatio() const;
    // Field by field, without normalisation; counts saturate instead of wrapping.
    PracticeMetrics adding(const PracticeMetrics& other) const;

    bool operator==(const PracticeMetrics&) const = default;

private:
    PracticeMetrics() = default;
};

// All six members required; stored values are kept as they stand.
template <> struct JSONCoder<PracticeMetrics> {
    static nlohmann::json encode(const PracticeMetrics& value, const std::string& codingPath);
    static PracticeMetrics decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
