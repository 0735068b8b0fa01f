#include "CorvaneDomain/MIDITransport.hpp"

#include <cmath>
#include <limits>

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::string MIDITransportError::describe(const Case& c)
{
    using std::to_string;
    return std::visit(
        Overloaded{
            [](const InvalidPlaybackRate& e) { return "invalidPlaybackRate(" + to_string(e.rate) + ")"; },
            [](const InvalidPosition& e) { return "invalidPosition(" + to_string(e.position) + ")"; },
            [](const InvalidClockTime& e) { return "invalidClockTime(" + to_string(e.clockTime) + ")"; },
            [](const InvalidLoopRange& e) {
                return "invalidLoopRange(start: " + to_string(e.start) + ", end: " + to_string(e.end) + ")";
            },
            [](const ClockMovedBackward& e) {
                return "clockMovedBackward(previous: " + to_string(e.previous) + ", current: " + to_string(e.current) +
                       ")";
            },
        },
        c);
}

namespace {

bool isValidRate(double rate) { return std::isfinite(rate) && rate > 0; }

void checkClock(double clockTime)
{
    if (!std::isfinite(clockTime)) throw MIDITransportError(MIDITransportError::InvalidClockTime{clockTime});
}

} // namespace

MIDITransport::MIDITransport(MIDITimeline timeline, double playbackRate)
    : timeline_(std::move(timeline)), playbackRate_(playbackRate)
{
    if (!isValidRate(playbackRate)) throw MIDITransportError(MIDITransportError::InvalidPlaybackRate{playbackRate});
}

MIDITransportSnapshot MIDITransport::snapshot(double c) const
{
    checkClock(c);
    const double duration = timeline_.durationSeconds();
    MIDITransportSnapshot result{MIDITransportState::paused, anchorPositionSeconds_, duration, playbackRate_,
                                 loopRange_, anchorLoopIteration_};
    if (state_ == MIDITransportState::paused || !anchorClockSeconds_) return result;

    if (*anchorClockSeconds_ > c)
        throw MIDITransportError(MIDITransportError::ClockMovedBackward{*anchorClockSeconds_, c});

    const double p = anchorPositionSeconds_ + (c - *anchorClockSeconds_) * playbackRate_;
    if (loopRange_ && p >= loopRange_->endSeconds) {
        const double length = loopRange_->endSeconds - loopRange_->startSeconds;
        const double d = p - loopRange_->startSeconds;
        const double passes = std::floor(d / length);
        // Beyond 2^64 passes (only from an absurd clock jump) the count saturates.
        constexpr double limit = 18446744073709551615.0;
        std::uint64_t n = passes >= limit ? std::numeric_limits<std::uint64_t>::max()
                                          : static_cast<std::uint64_t>(std::max(1.0, passes));
        result.positionSeconds = loopRange_->startSeconds + std::fmod(d, length);
        result.loopIteration = n > std::numeric_limits<std::uint64_t>::max() - anchorLoopIteration_
                                   ? std::numeric_limits<std::uint64_t>::max()
                                   : anchorLoopIteration_ + n;
        result.state = MIDITransportState::playing;
    } else if (loopRange_) {
        result.positionSeconds = std::min(duration, p);
        result.state = MIDITransportState::playing;
    } else {
        result.positionSeconds = std::min(duration, p);
        result.state = result.positionSeconds < duration ? MIDITransportState::playing : MIDITransportState::paused;
    }
    return result;
}

void MIDITransport::play(double c)
{
    checkClock(c);
    const auto s = snapshot(c);
    if (s.state == MIDITransportState::playing || timeline_.durationSeconds() <= 0) return;
    if (!s.loopRange && s.durationSeconds <= s.positionSeconds) {
        anchorPositionSeconds_ = 0;
        anchorLoopIteration_ = 0;
    } else {
        anchorPositionSeconds_ = s.positionSeconds;
        anchorLoopIteration_ = s.loopIteration;
    }
    anchorClockSeconds_ = c;
    state_ = MIDITransportState::playing;
}

void MIDITransport::pause(double c)
{
    const auto s = snapshot(c);
    anchorPositionSeconds_ = s.positionSeconds;
    anchorClockSeconds_ = c;
    anchorLoopIteration_ = s.loopIteration;
    state_ = MIDITransportState::paused;
}

void MIDITransport::seek(double seconds, double c)
{
    if (!std::isfinite(seconds)) throw MIDITransportError(MIDITransportError::InvalidPosition{seconds});
    (void)snapshot(c);
    const double duration = timeline_.durationSeconds();
    double target = std::min(duration, std::max(0.0, seconds));
    if (loopRange_ && target >= loopRange_->endSeconds) target = loopRange_->startSeconds;
    anchorPositionSeconds_ = target;
    anchorClockSeconds_ = c;
    anchorLoopIteration_ = 0;
    if (target >= duration) state_ = MIDITransportState::paused;
}

void MIDITransport::setPlaybackRate(double rate, double c)
{
    if (!isValidRate(rate)) throw MIDITransportError(MIDITransportError::InvalidPlaybackRate{rate});
    const auto s = snapshot(c);
    anchorPositionSeconds_ = s.positionSeconds;
    anchorClockSeconds_ = c;
    anchorLoopIteration_ = s.loopIteration;
    state_ = s.state;
    playbackRate_ = rate;
}

void MIDITransport::setLoop(std::optional<MIDILoopRange> loop, double c)
{
    if (loop) {
        const bool valid = std::isfinite(loop->startSeconds) && loop->startSeconds >= 0 &&
                           std::isfinite(loop->endSeconds) && loop->startSeconds < loop->endSeconds &&
                           loop->endSeconds <= timeline_.durationSeconds();
        if (!valid) throw MIDITransportError(MIDITransportError::InvalidLoopRange{loop->startSeconds, loop->endSeconds});
    }
    const auto s = snapshot(c);
    loopRange_ = loop;
    anchorPositionSeconds_ =
        loop && s.positionSeconds >= loop->endSeconds ? loop->startSeconds : s.positionSeconds;
    anchorClockSeconds_ = c;
    anchorLoopIteration_ = 0;
    state_ = s.state;
}

MIDITransportSnapshot MIDITransport::update(double c)
{
    const auto s = snapshot(c);
    if (state_ == MIDITransportState::playing && s.state == MIDITransportState::paused) {
        anchorPositionSeconds_ = s.positionSeconds;
        anchorClockSeconds_ = c;
        anchorLoopIteration_ = s.loopIteration;
        state_ = MIDITransportState::paused;
    }
    return s;
}

} // namespace corvane
