#pragma once

#include <nlohmann/json_fwd.hpp>

namespace corvane {

// A loop on the song's timeline; checked only when handed to a transport.
struct MIDILoopRange {
    double startSeconds = 0;
    double endSeconds = 0;
    bool operator==(const MIDILoopRange&) const = default;
};

// Both members required and numeric; no range check.
void to_json(nlohmann::json& json, const MIDILoopRange& range);
void from_json(const nlohmann::json& json, MIDILoopRange& range);

} // namespace corvane
