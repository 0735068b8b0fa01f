#include "CorvaneDomain/PracticeMetricsAccumulator.hpp"

#include "CorvaneDomain/SaturatingArithmetic.hpp"

namespace corvane {

namespace {

double elapsedOrZero(Date from, Date to)
{
    const double elapsed = to.timeIntervalSince(from);
    return elapsed >= 0 ? elapsed : 0;
}

} // namespace

void PracticeMetricsAccumulator::resume(Date date)
{
    if (!activeSince_) activeSince_ = date;
}

void PracticeMetricsAccumulator::pause(Date date)
{
    if (!activeSince_) return;
    metrics_.activeDurationSeconds += elapsedOrZero(*activeSince_, date);
    activeSince_.reset();
}

void PracticeMetricsAccumulator::record(PracticeFeedbackKind kind)
{
    metrics_.playedNoteCount = saturatingAdd(metrics_.playedNoteCount, 1);
    switch (kind) {
    case PracticeFeedbackKind::correct: metrics_.correctCount = saturatingAdd(metrics_.correctCount, 1); break;
    case PracticeFeedbackKind::early: metrics_.earlyCount = saturatingAdd(metrics_.earlyCount, 1); break;
    case PracticeFeedbackKind::late: metrics_.lateCount = saturatingAdd(metrics_.lateCount, 1); break;
    case PracticeFeedbackKind::incorrect: metrics_.incorrectCount = saturatingAdd(metrics_.incorrectCount, 1); break;
    }
}

PracticeMetrics PracticeMetricsAccumulator::snapshot(Date date) const
{
    auto snapshot = metrics_;
    if (activeSince_) snapshot.activeDurationSeconds += elapsedOrZero(*activeSince_, date);
    return snapshot;
}

} // namespace corvane
