#pragma once

#include <optional>
#include <vector>

#include "CorvaneApp/workspace/MeasureRuler.hpp"

namespace corvane {

class PracticeSessionStore;

// x over the width, within 0...1.
double pointerFraction(double x, double width);

// The start of the measure nearest `seconds` (the earlier on a tie); the
// song end never. `seconds` itself when there is no measure start.
double snappedToMeasure(double seconds, const std::vector<MIDIMeasureMarker>& markers);

// What one drag in the loop lane does, chosen when it begins.
struct LoopDrag {
    enum class Kind { create, start, end };
    Kind kind = Kind::create;
    double anchorSeconds = 0; // create only: the snapped time the drag began at
    bool operator==(const LoopDrag&) const = default;
};

// A loop end within `handleGrabRadius` of `startX` is grabbed, the start
// first; anywhere else a new loop is drawn from the nearest measure start.
LoopDrag resolvedDragMode(double startX, double width, double durationSeconds,
                          const std::optional<MIDILoopRange>& loop, const std::vector<MIDIMeasureMarker>& markers,
                          double handleGrabRadius = MeasureScrubLayout::handleGrabRadius);

// Turns the scrub bar's drags into controller calls: the seek band seeks
// without snapping, the loop lane draws or moves the loop on measure starts.
// A movement that would repeat the previous call of the same drag calls nothing.
class MeasureScrubGestures {
public:
    explicit MeasureScrubGestures(PracticeSessionStore& store) : store_(store) {}

    void seekChanged(double x, double width);
    void seekEnded() { lastSeek_.reset(); }

    void loopChanged(double startX, double x, double width);
    void loopEnded();

    const std::optional<LoopDrag>& loopDrag() const { return loopDrag_; }

private:
    PracticeSessionStore& store_;
    std::optional<LoopDrag> loopDrag_;
    std::optional<double> lastSeek_;
    std::optional<double> lastLoopSeconds_;
};

} // namespace corvane
