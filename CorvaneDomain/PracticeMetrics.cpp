#include "CorvaneDomain/PracticeMetrics.hpp"

#include <algorithm>

#include "CorvaneDomain/SaturatingArithmetic.hpp"

namespace corvane {

PracticeMetrics::PracticeMetrics(double activeDurationSeconds, std::int64_t playedNoteCount,
                                 std::int64_t correctCount, std::int64_t earlyCount, std::int64_t lateCount,
                                 std::int64_t incorrectCount)
    : activeDurationSeconds(activeDurationSeconds >= 0 ? activeDurationSeconds : 0),
      playedNoteCount(std::max<std::int64_t>(playedNoteCount, 0)),
      correctCount(std::max<std::int64_t>(correctCount, 0)),
      earlyCount(std::max<std::int64_t>(earlyCount, 0)),
      lateCount(std::max<std::int64_t>(lateCount, 0)),
      incorrectCount(std::max<std::int64_t>(incorrectCount, 0))
{
}

PracticeMetrics PracticeMetrics::unnormalized(double activeDurationSeconds, std::int64_t playedNoteCount,
                                              std::int64_t correctCount, std::int64_t earlyCount,
                                              std::int64_t lateCount, std::int64_t incorrectCount)
{
    PracticeMetrics metrics;
    metrics.activeDurationSeconds = activeDurationSeconds;
    metrics.playedNoteCount = playedNoteCount;
    metrics.correctCount = correctCount;
    metrics.earlyCount = earlyCount;
    metrics.lateCount = lateCount;
    metrics.incorrectCount = incorrectCount;
    return metrics;
}

std::int64_t PracticeMetrics::evaluatedNoteCount() const
{
    return saturatingAdd(saturatingAdd(saturatingAdd(correctCount, earlyCount), lateCount), incorrectCount);
}

std::optional<double> PracticeMetrics::onTimeRatio() const
{
    const auto evaluated = evaluatedNoteCount();
    if (evaluated < 1) return std::nullopt;
    return static_cast<double>(correctCount) / static_cast<double>(evaluated);
}

PracticeMetrics PracticeMetrics::adding(const PracticeMetrics& other) const
{
    return unnormalized(activeDurationSeconds + other.activeDurationSeconds,
                        saturatingAdd(playedNoteCount, other.playedNoteCount),
                        saturatingAdd(correctCount, other.correctCount), saturatingAdd(earlyCount, other.earlyCount),
                        saturatingAdd(lateCount, other.lateCount),
                        saturatingAdd(incorrectCount, other.incorrectCount));
}

nlohmann::json JSONCoder<PracticeMetrics>::encode(const PracticeMetrics& value, const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("activeDurationSeconds", value.activeDurationSeconds);
    object.write("playedNoteCount", value.playedNoteCount);
    object.write("correctCount", value.correctCount);
    object.write("earlyCount", value.earlyCount);
    object.write("lateCount", value.lateCount);
    object.write("incorrectCount", value.incorrectCount);
    return object.take();
}

PracticeMetrics JSONCoder<PracticeMetrics>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    const JSONObjectReader object(json, codingPath);
    const auto seconds = object.required<double>("activeDurationSeconds");
    const auto played = object.required<std::int64_t>("playedNoteCount");
    const auto correct = object.required<std::int64_t>("correctCount");
    const auto early = object.required<std::int64_t>("earlyCount");
    const auto late = object.required<std::int64_t>("lateCount");
    const auto incorrect = object.required<std::int64_t>("incorrectCount");
    return PracticeMetrics::unnormalized(seconds, played, correct, early, late, incorrect);
}

} // namespace corvane
