#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <variant>
#include <vector>

#include "CorvaneAudio/instruments/RenderInstrument.hpp"
#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"
#include "CorvaneAudio/output/AppliedCommandLog.hpp"
#include "CorvaneAudio/output/CountInClick.hpp"
#include "CorvaneAudio/output/RenderClockCell.hpp"
#include "CorvaneAudio/output/ScheduledEventQueue.hpp"
#include "CorvaneAudio/output/SingleProducerQueue.hpp"

namespace corvane {

// What the main thread asks of the audio thread.
struct RenderCommand {
    struct Click {
        bool accented;
    };
    struct StopClick {};
    // Replaces the instrument; the outgoing one stays owned by the main
    // thread, which frees it once `acknowledgedSwap()` reaches `generation`.
    struct SwapInstrument {
        RenderInstrument* instrument;
        std::uint64_t generation;
    };
    std::variant<MIDIInstrumentCommand, Click, StopClick, SwapInstrument> value;
};

// Everything the output callback does: apply queued commands, render the
// instrument, mix the click and publish the render clock. While a stream
// runs only its callback calls `process`; otherwise the main thread may
// `apply` commands directly.
class AudioRenderCore {
public:
    AudioRenderCore(RenderInstrument* instrument, const CountInClicks& clicks);

    // Main thread. False when the queue is full and the command was dropped.
    bool enqueue(const RenderCommand& command) { return queue_.push(command); }

    // Consumer side.
    void apply(const RenderCommand& command);
    void applyPending();
    // Every scheduled event still pending, now, whatever its sample; while
    // no callback runs.
    void applyScheduledNow();
    // Main thread, once no callback runs (stopped, or its server gone): what
    // the callback left queued goes first, so no command overtakes an earlier
    // one or reaches an instrument that a queued swap has already replaced.
    void applyInOrder(const RenderCommand& command)
    {
        applyPending();
        apply(command);
    }
    // `channels` holds one or two non-interleaved buffers of `frames` samples.
    void process(float* const* channels, unsigned channelCount, std::uint32_t frames, std::uint64_t hostTime);

    // Main thread, while nothing renders.
    void setSampleRate(double sampleRate);
    void resetClock();

    double sampleRate() const { return sampleRate_; }
    const RenderClockCell& clock() const { return clock_; }
    std::uint64_t acknowledgedSwap() const { return acknowledgedSwap_.load(std::memory_order_acquire); }
    RenderInstrument* instrument() const { return instrument_; }
    // Playback sent ahead: each event is applied at its own sample, the
    // instrument's rendering split there.
    ScheduledEventQueue& scheduled() { return scheduled_; }
    // Frames of the last cycle; 0 before the first.
    std::uint32_t cycleFrames() const { return cycleFrames_.load(std::memory_order_relaxed); }
    // Main thread; null detaches. The log must outlive its attachment.
    void attachAppliedCommandLog(AppliedCommandLog* log) { appliedLog_.store(log, std::memory_order_release); }

private:
    void send(const MIDIInstrumentCommand& command);
    void mixClick(float* const* channels, unsigned channelCount, std::uint32_t frames);
    // Renders frames [from, to) of the cycle.
    void renderSpan(float* const* channels, unsigned channelCount, std::uint32_t from, std::uint32_t to);

    RenderInstrument* instrument_;
    const CountInClicks& clicks_;
    const std::vector<float>* click_ = nullptr;
    double clickPosition_ = 0; // in frames of the click's own 48 kHz
    double sampleRate_ = CountInClicks::sampleRate;
    std::int64_t framesRendered_ = 0;
    std::array<float, maxRenderFrames> scratch_{};
    SingleProducerQueue<RenderCommand, 16384> queue_;
    ScheduledEventQueue scheduled_;
    std::array<ScheduledEvent, 256> due_{};
    std::atomic<AppliedCommandLog*> appliedLog_{nullptr};
    std::atomic<std::uint32_t> cycleFrames_{0};
    // The sample and cycle the commands being applied take effect at, for the log.
    std::int64_t applySample_ = 0;
    std::int64_t scheduledSample_ = 0;
    std::uint64_t cycleHostTime_ = 0;
    RenderClockCell clock_;
    std::atomic<std::uint64_t> acknowledgedSwap_{0};
};

} // namespace corvane
