#include "CorvaneDomain/PracticeHistoryEntry.hpp"

namespace corvane {

nlohmann::json JSONCoder<PracticeHistoryEntry>::encode(const PracticeHistoryEntry& value,
                                                       const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("id", value.id());
    object.write("songTitle", value.songTitle());
    object.write("songReference", value.songReference());
    object.write("startedAt", value.startedAt());
    object.write("updatedAt", value.updatedAt);
    object.write("lastPositionSeconds", value.lastPositionSeconds);
    object.write("metrics", value.metrics);
    return object.take();
}

PracticeHistoryEntry JSONCoder<PracticeHistoryEntry>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    const JSONObjectReader o(json, codingPath);
    auto id = o.required<UUID>("id");
    auto songTitle = o.required<std::string>("songTitle");
    auto songReference = o.required<PracticeSongReference>("songReference");
    auto startedAt = o.required<Date>("startedAt");
    auto updatedAt = o.required<Date>("updatedAt");
    auto lastPositionSeconds = o.required<double>("lastPositionSeconds");
    auto metrics = o.required<PracticeMetrics>("metrics");
    return PracticeHistoryEntry(id, std::move(songTitle), std::move(songReference), startedAt, updatedAt,
                                lastPositionSeconds, metrics);
}

} // namespace corvane
