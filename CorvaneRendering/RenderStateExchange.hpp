#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "CorvaneRendering/RenderState.hpp"
#include "CorvaneRendering/StageInputs.hpp"

namespace corvane {

// Hands the stage inputs from the view to the frame: the view replaces the
// state whole and queues the impacts it has not handed over yet; the frame
// copies the state and takes the queue. The lock is held only for the copies.
class RenderStateExchange {
public:
    // Events are queued in list order when their sequence is above every
    // sequence queued before, so a list pushed again queues nothing new.
    void push(const StageInputs& inputs, std::optional<StageTexture> backgroundTexture);

    // Replaces the photo's texture alone (a photo decoded after its inputs came).
    void setBackgroundTexture(std::optional<StageTexture> backgroundTexture);

    // Copies the state into `state` and moves the queued events into
    // `newEvents` (emptied first); both keep their storage across frames.
    void consumeFrameInput(RenderState& state, std::vector<VisualImpactEvent>& newEvents);

    std::optional<std::uint64_t> latestImpactSequence() const;

    // Impacts queued while no frame runs (a hidden stage) beyond this many
    // are dropped, oldest first: the controller itself keeps no more.
    static constexpr std::size_t pendingLimit = 32;

private:
    mutable std::mutex stateLock_;
    RenderState state_;
    std::vector<VisualImpactEvent> pendingImpactEvents_;
    std::optional<std::uint64_t> latestImpactSequence_;
};

} // namespace corvane
