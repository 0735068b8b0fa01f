#pragma once

namespace corvane {

// The stage's two clocks, in seconds since the renderer started.
struct AnimationTimes {
    double playback = 0; // advances only while playing
    double effects = 0; // always advances

    bool operator==(const AnimationTimes&) const = default;
};

// Advances the clocks by the time between frames, at most 0.1 s at once so
// that a stalled frame does not make everything jump; time going backwards adds nothing.
class AnimationClock {
public:
    explicit AnimationClock(double startTime) : previousFrameTime_(startTime) {}

    void update(double now, bool isPlaying);
    const AnimationTimes& times() const { return times_; }

private:
    AnimationTimes times_;
    double previousFrameTime_;
};

} // namespace corvane
