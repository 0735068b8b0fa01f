#pragma once

#include <optional>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/PracticeFeedback.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"

namespace corvane {

// Builds metrics over time: active time between resume and pause on dates
// the caller passes in, and a count of each graded note.
class PracticeMetricsAccumulator {
public:
    explicit PracticeMetricsAccumulator(PracticeMetrics metrics) : metrics_(metrics) {}

    // Totals without the running interval.
    const PracticeMetrics& metrics() const { return metrics_; }
    bool isActive() const { return activeSince_.has_value(); }

    // Starts an interval; while one runs, the earlier start is kept.
    void resume(Date date);
    // Banks the running interval (a negative or NaN length counts as 0).
    void pause(Date date);
    // Counts a graded note, whether or not an interval runs.
    void record(PracticeFeedbackKind kind);
    // The totals including the running interval up to `date`.
    PracticeMetrics snapshot(Date date) const;

    bool operator==(const PracticeMetricsAccumulator&) const = default;

private:
    PracticeMetrics metrics_;
    std::optional<Date> activeSince_;
};

} // namespace corvane
