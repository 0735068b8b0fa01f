#include "CorvaneRendering/RenderStateExchange.hpp"

namespace corvane {

void RenderStateExchange::push(const StageInputs& inputs, std::optional<StageTexture> backgroundTexture)
{
    auto adjusted = inputs.accessibilityOptions.adjusted(inputs.preset);
    std::lock_guard lock(stateLock_);
    state_.preset = std::move(adjusted);
    state_.isPlaying = inputs.isPlaying;
    state_.hasSong = inputs.hasSong;
    state_.timelineNotes = inputs.timelineNotes;
    state_.playbackPositionSeconds = inputs.playbackPositionSeconds;
    state_.accessibilityOptions = inputs.accessibilityOptions;
    state_.backgroundTexture = backgroundTexture;
    for (const auto& event : inputs.impactEvents) {
        if (latestImpactSequence_ && event.sequence <= *latestImpactSequence_) continue;
        pendingImpactEvents_.push_back(event);
        latestImpactSequence_ = event.sequence;
    }
    if (pendingImpactEvents_.size() > pendingLimit)
        pendingImpactEvents_.erase(pendingImpactEvents_.begin(),
                                   pendingImpactEvents_.end() - static_cast<std::ptrdiff_t>(pendingLimit));
}

void RenderStateExchange::setBackgroundTexture(std::optional<StageTexture> backgroundTexture)
{
    std::lock_guard lock(stateLock_);
    state_.backgroundTexture = backgroundTexture;
}

void RenderStateExchange::consumeFrameInput(RenderState& state, std::vector<VisualImpactEvent>& newEvents)
{
    newEvents.clear();
    std::lock_guard lock(stateLock_);
    newEvents.swap(pendingImpactEvents_);
    state = state_;
}

std::optional<std::uint64_t> RenderStateExchange::latestImpactSequence() const
{
    std::lock_guard lock(stateLock_);
    return latestImpactSequence_;
}

} // namespace corvane
