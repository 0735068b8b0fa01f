#include "CorvaneApp/workspace/MeasureScrubGestures.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

double pointerFraction(double x, double width)
{
    const double fraction = x / width;
    if (!(fraction > 0)) return 0;
    return std::min(fraction, 1.0);
}

double snappedToMeasure(double seconds, const std::vector<MIDIMeasureMarker>& markers)
{
    const MIDIMeasureMarker* best = nullptr;
    for (const auto& marker : markers) {
        if (marker.isSongEnd) continue;
        if (!best || std::abs(marker.seconds - seconds) < std::abs(best->seconds - seconds)) best = &marker;
    }
    return best ? best->seconds : seconds;
}

LoopDrag resolvedDragMode(double startX, double width, double durationSeconds,
                          const std::optional<MIDILoopRange>& loop, const std::vector<MIDIMeasureMarker>& markers,
                          double handleGrabRadius)
{
    if (loop && durationSeconds > 0) {
        if (std::abs(startX - width * loop->startSeconds / durationSeconds) <= handleGrabRadius)
            return {LoopDrag::Kind::start, 0};
        if (std::abs(startX - width * loop->endSeconds / durationSeconds) <= handleGrabRadius)
            return {LoopDrag::Kind::end, 0};
    }
    return {LoopDrag::Kind::create, snappedToMeasure(pointerFraction(startX, width) * durationSeconds, markers)};
}

void MeasureScrubGestures::seekChanged(double x, double width)
{
    const double duration = store_.timelineDurationSeconds();
    if (!(duration > 0) || !(width > 0)) return;
    const double target = pointerFraction(x, width) * duration;
    if (lastSeek_ == target) return;
    lastSeek_ = target;
    store_.seek(target);
}

void MeasureScrubGestures::loopChanged(double startX, double x, double width)
{
    const double duration = store_.timelineDurationSeconds();
    if (!(duration > 0) || !(width > 0)) return;
    if (!loopDrag_)
        loopDrag_ = resolvedDragMode(startX, width, duration, store_.loopRange(), store_.measureMarkers());
    const double t = snappedToMeasure(pointerFraction(x, width) * duration, store_.measureMarkers());
    if (lastLoopSeconds_ == t) return;
    lastLoopSeconds_ = t;
    switch (loopDrag_->kind) {
    case LoopDrag::Kind::start: store_.setLoopSelectionStart(t); break;
    case LoopDrag::Kind::end: store_.setLoopSelectionEnd(t); break;
    case LoopDrag::Kind::create:
        store_.setLoopSelection(std::min(loopDrag_->anchorSeconds, t), std::max(loopDrag_->anchorSeconds, t));
        break;
    }
    store_.applyLoopSelection();
}

void MeasureScrubGestures::loopEnded()
{
    loopDrag_.reset();
    lastLoopSeconds_.reset();
}

} // namespace corvane
