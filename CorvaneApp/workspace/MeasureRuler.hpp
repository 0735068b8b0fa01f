#pragma once

#include <optional>
#include <vector>

#include "CorvaneDomain/MIDILoopRange.hpp"
#include "CorvaneDomain/MIDIMeasureMap.hpp"

namespace corvane {

// The fixed layout of the measure scrub bar, in logical pixels.
struct MeasureScrubLayout {
    static constexpr double minimumTickSpacing = 16;
    static constexpr double handleGrabRadius = 11;
    static constexpr double rowHeight = 42;
    static constexpr double labelCenterY = 3;
    static constexpr double rulerLineY = 17;
    static constexpr double minorTickHeight = 5;
    static constexpr double majorTickHeight = 9;
    static constexpr double loopLaneCenterY = 31;
    static constexpr double loopLaneHeight = 13;
    static constexpr double seekBandHeight = 22;
    static constexpr double loopGrabHeight = 17;
};

// One tick of the ruler; `fraction` of the width, not clamped.
struct RulerTick {
    MIDIMeasureMarker marker;
    double fraction = 0;
    bool isMajor = false;
    bool operator==(const RulerTick&) const = default;
};

// The ticks for a bar `width` wide: measure starts only, every `stride`-th
// one so that they stay about `minimumTickSpacing` apart, every fourth drawn
// tick major. Empty without a duration, a width or two measures.
std::vector<RulerTick> drawnTicks(const std::vector<MIDIMeasureMarker>& markers, double durationSeconds,
                                  double width, double minimumTickSpacing = MeasureScrubLayout::minimumTickSpacing);

// Position over duration, within 0...1; 0 without a duration.
double playheadProgress(double positionSeconds, double durationSeconds);

// Where the loop bracket is drawn: its left x and width (at least 4).
struct LoopBracket {
    double x = 0;
    double width = 0;
    bool operator==(const LoopBracket&) const = default;
};
std::optional<LoopBracket> loopBracket(const std::optional<MIDILoopRange>& loop, double durationSeconds,
                                       double width);

} // namespace corvane
