#pragma once

#include <optional>
#include <string>
#include <vector>

#include "CorvaneDomain/MIDINoteSpanList.hpp"
#include "CorvaneDomain/VisualAccessibilityOptions.hpp"
#include "CorvaneDomain/VisualImpactEvent.hpp"
#include "CorvaneDomain/VisualPreset.hpp"

namespace corvane {

// What the practice workspace hands the stage, as the controller publishes it.
struct StageInputs {
    VisualPreset preset = VisualPreset::builtIn(); // as the user set it, before accessibility adjustment
    bool isPlaying = true; // the playback clock (or the demo rain) advances only while true
    bool hasSong = false; // false shows the demo rain of notes
    std::vector<VisualImpactEvent> impactEvents; // recent impacts, oldest first, sequences rising
    MIDINoteSpanList timelineNotes; // audible note spans, sorted by start time; shared, never copied
    double playbackPositionSeconds = 0;
    VisualAccessibilityOptions accessibilityOptions{false, false, false, 1.0};
    std::optional<std::string> backgroundImagePath; // the photo file, or none

    bool operator==(const StageInputs&) const = default;
};

} // namespace corvane
