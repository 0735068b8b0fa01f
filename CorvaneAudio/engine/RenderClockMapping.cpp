#include "CorvaneAudio/engine/RenderClockMapping.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace corvane {

void RenderClockMapping::observe(std::int64_t sampleTime, std::uint64_t hostTime, double sampleRate)
{
    if (!(sampleRate > 0)) return;
    if (known_ && sampleRate == rate_ && sampleTime == lastSample_) return; // a cycle already seen
    if (!known_ || sampleRate != rate_ || sampleTime < lastSample_) {
        restarted_ = known_;
        known_ = true;
        rate_ = sampleRate;
        count_ = 0;
    }
    lastSample_ = sampleTime;
    const double offset = static_cast<double>(hostTime) - static_cast<double>(sampleTime) * 1e9 / rate_;
    if (count_ == seen_.size()) {
        first_ = (first_ + 1) % seen_.size();
        --count_;
    }
    seen_[(first_ + count_++) % seen_.size()] = Seen{hostTime, offset};
    while (count_ > 1 && hostTime - seen_[first_].hostTime > windowNanoseconds) {
        first_ = (first_ + 1) % seen_.size();
        --count_;
    }
}

std::optional<std::int64_t> RenderClockMapping::sampleAt(double clockSeconds) const
{
    if (!known_ || !std::isfinite(clockSeconds)) return std::nullopt;
    // The line as it will stand at that time, as far as it is known now: a
    // reading that will have left the window by then no longer draws it, so
    // that time the server lost is not taken back for events sent ahead.
    const double from = clockSeconds * 1e9 - static_cast<double>(windowNanoseconds);
    double offset = seen_[(first_ + count_ - 1) % seen_.size()].offset;
    for (std::size_t i = 0; i < count_; ++i) {
        const auto& seen = seen_[(first_ + i) % seen_.size()];
        if (static_cast<double>(seen.hostTime) >= from) offset = std::min(offset, seen.offset);
    }
    const double samples = (clockSeconds * 1e9 - offset) * rate_ / 1e9;
    return static_cast<std::int64_t>(std::llround(std::clamp(samples, -9.0e18, 9.0e18)));
}

bool RenderClockMapping::takeRestart() { return std::exchange(restarted_, false); }

void RenderClockMapping::reset() { *this = RenderClockMapping(); }

} // namespace corvane
