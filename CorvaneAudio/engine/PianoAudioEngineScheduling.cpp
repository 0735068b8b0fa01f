// Playback sent ahead of its time, and the record of what the instrument received.
#include <algorithm>

#include "CorvaneAudio/engine/HeldControllers.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/output/AudioOutputStream.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"

namespace corvane {

std::optional<std::uint64_t> PianoAudioEngine::schedule(std::span<const MIDIInstrumentCommand> commands,
                                                        double clockSeconds)
{
    const auto playNow = [&] {
        for (const auto& command : commands) send(command);
        return std::optional<std::uint64_t>();
    };
    if (!stream_->isRunning()) return playNow();
    const auto reading = core_->clock().read();
    if (!reading) return playNow();
    clockMapping_.observe(reading->sampleTime, reading->hostTime, core_->sampleRate());
    // A restarted stream counts its samples from 0 again.
    if (clockMapping_.takeRestart()) lastScheduledSample_ = 0;
    const auto sample = clockMapping_.sampleAt(clockSeconds);
    if (!sample) return playNow();

    ScheduledEvent event;
    event.sample = std::max(*sample, lastScheduledSample_);
    // The router never makes more than two commands of one message; longer
    // lists go in consecutive events at the same sample. An empty list still
    // takes its place in the order, so that its fate is known like any other.
    std::size_t index = 0;
    std::optional<std::uint64_t> first;
    do {
        event.count = 0;
        for (; index < commands.size() && event.count < event.commands.size(); ++index)
            event.commands[event.count++] = commands[index];
        const auto identity = core_->scheduled().push(event);
        if (!identity) {
            // Full: the audio thread has stopped taking them. What is left plays now.
            for (std::size_t i = index - event.count; i < commands.size(); ++i) send(commands[i]);
            return first;
        }
        if (!first) first = identity;
    } while (index < commands.size());
    if (heldControllers_)
        for (const auto& command : commands) heldControllers_->remember(command);
    lastScheduledSample_ = event.sample;
    return first;
}

std::optional<std::uint64_t> PianoAudioEngine::withdrawScheduled()
{
    // Nothing is pending afterwards: what is sent next may fall earlier.
    lastScheduledSample_ = 0;
    return core_->scheduled().withdraw();
}

std::uint64_t PianoAudioEngine::scheduledConsumedThrough() const { return core_->scheduled().consumed(); }

double PianoAudioEngine::periodSeconds() const
{
    const auto frames = core_->cycleFrames();
    const double rate = core_->sampleRate();
    // Before the first cycle: the size the output asks for.
    if (!(rate > 0) || frames == 0) return 256.0 / 48000.0;
    return static_cast<double>(frames) / rate;
}

void PianoAudioEngine::recordAppliedCommands(bool recording)
{
    if (recording && !appliedLog_) {
        appliedLog_ = std::make_unique<AppliedCommandLog>();
        core_->attachAppliedCommandLog(appliedLog_.get());
    } else if (!recording) {
        // Kept: the callback may still hold it for the rest of its cycle.
        core_->attachAppliedCommandLog(nullptr);
    }
}

std::vector<AppliedCommand> PianoAudioEngine::takeAppliedCommands()
{
    std::vector<AppliedCommand> taken;
    if (!appliedLog_) return taken;
    AppliedCommand command;
    while (appliedLog_->pop(command)) taken.push_back(command);
    return taken;
}

} // namespace corvane
