#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"

namespace corvane {

// Instrument commands to apply at one sample of the render clock.
struct ScheduledEvent {
    std::int64_t sample = 0;
    std::array<MIDIInstrumentCommand, 2> commands{};
    std::uint8_t count = 0;
};

// Playback sent ahead of its time: the main thread appends events in sample
// order, the audio thread takes those due within each period. Either side may
// decide an event's fate, and exactly one does: the audio thread claims it to
// play it, or the main thread withdraws it while it is still pending. The main
// thread therefore knows at once, without waiting for the audio thread,
// exactly which of its events will never sound.
//
// Claims go from the oldest forward, withdrawals from the newest back, so the
// withdrawn events are always the newest ones: a suffix of what was sent.
// No locks and no allocation; identities (sequence numbers) only grow.
class ScheduledEventQueue {
public:
    static constexpr std::size_t capacity = 4096;

    // Main thread. The event's identity, or absent when the queue is full.
    std::optional<std::uint64_t> push(const ScheduledEvent& event)
    {
        const auto tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == capacity) return std::nullopt;
        auto& slot = slots_[tail & mask];
        slot.event = event;
        slot.state.store(pending, std::memory_order_relaxed);
        tail_.store(tail + 1, std::memory_order_release);
        return tail;
    }

    // Main thread. Withdraws every event still pending; the answer is the
    // identity of the oldest one withdrawn now (it and every later identity
    // will never sound), absent when nothing was pending.
    std::optional<std::uint64_t> withdraw()
    {
        const auto head = head_.load(std::memory_order_acquire);
        std::optional<std::uint64_t> oldest;
        for (auto sequence = tail_.load(std::memory_order_relaxed); sequence > head; --sequence) {
            auto& slot = slots_[(sequence - 1) & mask];
            std::uint8_t expected = pending;
            if (slot.state.compare_exchange_strong(expected, withdrawn, std::memory_order_acq_rel)) {
                oldest = sequence - 1;
                continue;
            }
            // Claimed: everything older was claimed or withdrawn before it.
            if (expected == claimed) break;
        }
        return oldest;
    }

    // Identities below this one have been claimed or passed over as withdrawn.
    std::uint64_t consumed() const { return head_.load(std::memory_order_acquire); }
    // The identity the next push gets.
    std::uint64_t next() const { return tail_.load(std::memory_order_relaxed); }

    // Audio thread (or the main thread while no callback runs). Claims the
    // events due before `end`, oldest first, into `out`; at most `room` of
    // them, the rest waiting for the next call.
    std::size_t takeDue(std::int64_t end, ScheduledEvent* out, std::size_t room)
    {
        auto head = head_.load(std::memory_order_relaxed);
        const auto tail = tail_.load(std::memory_order_acquire);
        std::size_t taken = 0;
        while (head != tail && taken < room) {
            auto& slot = slots_[head & mask];
            if (slot.state.load(std::memory_order_acquire) == withdrawn) {
                ++head;
                continue;
            }
            if (slot.event.sample >= end) break;
            std::uint8_t expected = pending;
            if (slot.state.compare_exchange_strong(expected, claimed, std::memory_order_acq_rel))
                out[taken++] = slot.event;
            ++head;
        }
        head_.store(head, std::memory_order_release);
        return taken;
    }

private:
    static constexpr std::size_t mask = capacity - 1;
    static_assert((capacity & mask) == 0, "capacity must be a power of two");
    static constexpr std::uint8_t pending = 0, claimed = 1, withdrawn = 2;

    struct Slot {
        std::atomic<std::uint8_t> state{withdrawn};
        ScheduledEvent event;
    };

    std::array<Slot, capacity> slots_{};
    alignas(64) std::atomic<std::uint64_t> head_{0};
    alignas(64) std::atomic<std::uint64_t> tail_{0};
};

} // namespace corvane
