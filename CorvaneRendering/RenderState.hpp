#pragma once

#include <optional>
#include <vector>

#include "CorvaneDomain/MIDINoteSpanList.hpp"
#include "CorvaneDomain/VisualAccessibilityOptions.hpp"
#include "CorvaneDomain/VisualPreset.hpp"
#include "CorvaneRendering/StageTexture.hpp"

namespace corvane {

// The renderer's copy of the stage inputs, taken under the exchange's lock.
struct RenderState {
    VisualPreset preset = VisualPreset::builtIn(); // already adjusted for accessibility
    bool isPlaying = true;
    bool hasSong = false;
    MIDINoteSpanList timelineNotes; // the controller's list, shared: a frame copies no notes
    double playbackPositionSeconds = 0;
    // Unadjusted: the renderer reads reduce motion and increase contrast from here.
    VisualAccessibilityOptions accessibilityOptions{false, false, false, 1.0};
    std::optional<StageTexture> backgroundTexture;

    bool operator==(const RenderState&) const = default;
};

} // namespace corvane
