#include "CorvaneAudio/output/AudioRenderCore.hpp"

#include <algorithm>
#include <limits>
#include <cstring>

#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

AudioRenderCore::AudioRenderCore(RenderInstrument* instrument, const CountInClicks& clicks)
    : instrument_(instrument), clicks_(clicks)
{
}

void AudioRenderCore::send(const MIDIInstrumentCommand& command)
{
    if (command.as<MIDIInstrumentCommand::AllNotesOff>()) {
        // Sustain first, so the notes it holds are released too.
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            instrument_->handle(MIDIInstrumentCommand::controlChange(64, 0, channel));
            instrument_->handle(MIDIInstrumentCommand::controlChange(123, 0, channel));
        }
        return;
    }
    MIDIInstrumentCommand masked = command;
    std::visit(Overloaded{
                   [](MIDIInstrumentCommand::AllNotesOff&) {},
                   [](auto& message) { message.channel &= 0x0F; },
               },
               masked.value);
    instrument_->handle(masked);
    if (auto* log = appliedLog_.load(std::memory_order_acquire))
        log->push(AppliedCommand{applySample_, scheduledSample_, framesRendered_, cycleHostTime_, masked});
}

void AudioRenderCore::apply(const RenderCommand& command)
{
    std::visit(Overloaded{
                   [&](const MIDIInstrumentCommand& message) { send(message); },
                   [&](const RenderCommand::Click& click) {
                       // A new click cuts off the one still sounding.
                       click_ = click.accented ? &clicks_.accented : &clicks_.normal;
                       clickPosition_ = 0;
                   },
                   [&](const RenderCommand::StopClick&) { click_ = nullptr; },
                   [&](const RenderCommand::SwapInstrument& swap) {
                       instrument_ = swap.instrument;
                       acknowledgedSwap_.store(swap.generation, std::memory_order_release);
                   },
               },
               command.value);
}

void AudioRenderCore::applyPending()
{
    RenderCommand command;
    while (queue_.pop(command)) apply(command);
}

void AudioRenderCore::applyScheduledNow()
{
    applySample_ = scheduledSample_ = framesRendered_;
    for (;;) {
        const auto count = scheduled_.takeDue(std::numeric_limits<std::int64_t>::max(), due_.data(), due_.size());
        for (std::size_t i = 0; i < count; ++i)
            for (std::uint8_t c = 0; c < due_[i].count; ++c) send(due_[i].commands[c]);
        if (count < due_.size()) return;
    }
}

void AudioRenderCore::process(float* const* channels, unsigned channelCount, std::uint32_t frames,
                              std::uint64_t hostTime)
{
    clock_.publish(framesRendered_, hostTime);
    cycleHostTime_ = hostTime;
    cycleFrames_.store(frames, std::memory_order_relaxed);
    applySample_ = scheduledSample_ = framesRendered_;
    applyPending();
    // Events due in this cycle split the rendering at their samples; one
    // already late goes at its start.
    const std::int64_t end = framesRendered_ + static_cast<std::int64_t>(frames);
    const std::size_t due = scheduled_.takeDue(end, due_.data(), due_.size());
    std::uint32_t done = 0;
    for (std::size_t i = 0; i < due; ++i) {
        const auto& event = due_[i];
        // Never before the last one applied: the queue keeps them in order.
        const auto offset = std::max(
            done, static_cast<std::uint32_t>(std::clamp<std::int64_t>(event.sample - framesRendered_, 0, frames)));
        if (offset > done) {
            renderSpan(channels, channelCount, done, offset);
            done = offset;
        }
        applySample_ = framesRendered_ + offset;
        scheduledSample_ = event.sample;
        for (std::uint8_t c = 0; c < event.count; ++c) send(event.commands[c]);
    }
    renderSpan(channels, channelCount, done, frames);
    mixClick(channels, std::min(channelCount, 2u), frames);
    framesRendered_ = end;
}

void AudioRenderCore::renderSpan(float* const* channels, unsigned channelCount, std::uint32_t from, std::uint32_t to)
{
    float* left = channels[0];
    const bool stereo = channelCount > 1;
    for (std::uint32_t done = from; done < to;) {
        const std::uint32_t count = std::min(to - done, maxRenderFrames);
        // A mono device gets the average of both sides, the right one rendered into scratch.
        instrument_->render(left + done, stereo ? channels[1] + done : scratch_.data(), count);
        if (!stereo)
            for (std::uint32_t i = 0; i < count; ++i) left[done + i] = 0.5f * (left[done + i] + scratch_[i]);
        done += count;
    }
}

void AudioRenderCore::mixClick(float* const* channels, unsigned channelCount, std::uint32_t frames)
{
    if (!click_) return;
    // The click is made at 48 kHz whatever the device runs at; other rates
    // read it with linear interpolation.
    const double step = CountInClicks::sampleRate / sampleRate_;
    const auto& samples = *click_;
    const double length = static_cast<double>(samples.size());
    for (std::uint32_t i = 0; i < frames && clickPosition_ < length; ++i) {
        const auto index = static_cast<std::size_t>(clickPosition_);
        const double fraction = clickPosition_ - static_cast<double>(index);
        const float next = index + 1 < samples.size() ? samples[index + 1] : 0.0f;
        const float value = static_cast<float>(samples[index] + (next - samples[index]) * fraction);
        for (unsigned c = 0; c < channelCount; ++c) channels[c][i] += value;
        clickPosition_ += step;
    }
    if (clickPosition_ >= length) click_ = nullptr;
}

void AudioRenderCore::setSampleRate(double sampleRate) { sampleRate_ = sampleRate; }

void AudioRenderCore::resetClock()
{
    framesRendered_ = 0;
    clock_.reset();
}

} // namespace corvane
