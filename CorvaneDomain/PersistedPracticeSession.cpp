#include "CorvaneDomain/PersistedPracticeSession.hpp"

namespace corvane {

nlohmann::json JSONCoder<PersistedPracticeSession>::encode(const PersistedPracticeSession& value,
                                                           const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("historyEntryID", value.historyEntryID());
    object.write("songTitle", value.songTitle());
    object.write("songReference", value.songReference());
    object.write("startedAt", value.startedAt());
    object.write("updatedAt", value.updatedAt);
    object.write("positionSeconds", value.positionSeconds);
    object.write("playbackRate", value.playbackRate);
    object.writeIfPresent("loopRange", value.loopRange);
    object.write("practiceMode", value.practiceMode);
    object.write("practiceHand", value.practiceHand);
    object.write("inputLatencyMilliseconds", value.inputLatencyMilliseconds);
    object.write("visualPreset", value.visualPreset);
    object.write("metrics", value.metrics);
    return object.take();
}

PersistedPracticeSession JSONCoder<PersistedPracticeSession>::decode(const nlohmann::json& json,
                                                                     const std::string& codingPath)
{
    const JSONObjectReader o(json, codingPath);
    auto historyEntryID = o.required<UUID>("historyEntryID");
    auto songTitle = o.required<std::string>("songTitle");
    auto songReference = o.required<PracticeSongReference>("songReference");
    auto startedAt = o.required<Date>("startedAt");
    auto updatedAt = o.required<Date>("updatedAt");
    auto positionSeconds = o.required<double>("positionSeconds");
    auto playbackRate = o.required<double>("playbackRate");
    auto loopRange = o.optional<MIDILoopRange>("loopRange");
    auto practiceMode = o.required<PracticeMode>("practiceMode");
    auto practiceHand = o.required<PracticeHand>("practiceHand");
    auto inputLatencyMilliseconds = o.required<double>("inputLatencyMilliseconds");
    auto visualPreset = o.required<VisualPreset>("visualPreset");
    auto metrics = o.required<PracticeMetrics>("metrics");
    return PersistedPracticeSession(historyEntryID, std::move(songTitle), std::move(songReference), startedAt,
                                    updatedAt, positionSeconds, playbackRate, loopRange, practiceMode, practiceHand,
                                    inputLatencyMilliseconds, std::move(visualPreset), metrics);
}

} // namespace corvane
