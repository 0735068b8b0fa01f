#include "CorvaneRendering/AnimationClock.hpp"

#include <algorithm>

namespace corvane {

void AnimationClock::update(double now, bool isPlaying)
{
    const double dt = now - previousFrameTime_;
    if (dt > 0) {
        const double step = std::min(dt, 0.1);
        times_.effects += step;
        if (isPlaying) times_.playback += step;
    }
    previousFrameTime_ = now;
}

} // namespace corvane
