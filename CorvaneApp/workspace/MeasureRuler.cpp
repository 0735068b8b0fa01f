#include "CorvaneApp/workspace/MeasureRuler.hpp"

#include <algorithm>

namespace corvane {

std::vector<RulerTick> drawnTicks(const std::vector<MIDIMeasureMarker>& markers, double durationSeconds,
                                  double width, double minimumTickSpacing)
{
    std::vector<const MIDIMeasureMarker*> starts;
    starts.reserve(markers.size());
    for (const auto& marker : markers)
        if (!marker.isSongEnd) starts.push_back(&marker);
    const auto n = starts.size();
    if (!(durationSeconds > 0) || !(width > 0) || n < 2) return {};
    const double rawStride = minimumTickSpacing * double(n) / width;
    std::size_t stride = rawStride < 2 ? 1 : std::size_t(rawStride);
    std::vector<RulerTick> ticks;
    ticks.reserve(n / stride + 1);
    for (std::size_t i = 0; i < n; i += stride)
        ticks.push_back({*starts[i], starts[i]->seconds / durationSeconds, (i / stride) % 4 == 0});
    return ticks;
}

double playheadProgress(double positionSeconds, double durationSeconds)
{
    if (!(durationSeconds > 0)) return 0;
    const double progress = positionSeconds / durationSeconds;
    if (!(progress > 0)) return 0;
    return std::min(progress, 1.0);
}

std::optional<LoopBracket> loopBracket(const std::optional<MIDILoopRange>& loop, double durationSeconds,
                                       double width)
{
    if (!loop || !(durationSeconds > 0)) return std::nullopt;
    const double x0 = width * loop->startSeconds / durationSeconds;
    const double x1 = width * loop->endSeconds / durationSeconds;
    return LoopBracket{x0, std::max(4.0, x1 - x0)};
}

} // namespace corvane
