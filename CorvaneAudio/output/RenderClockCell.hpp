#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

namespace corvane {

// The last render cycle's frame position and host time, written by the audio
// thread and read by the main thread without locks (a sequence lock: the
// reader retries while a write is under way).
class RenderClockCell {
public:
    struct Reading {
        std::int64_t sampleTime;
        std::uint64_t hostTime;
    };

    // Audio thread.
    void publish(std::int64_t sampleTime, std::uint64_t hostTime)
    {
        const auto sequence = sequence_.load(std::memory_order_relaxed);
        sequence_.store(sequence + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        sampleTime_.store(sampleTime, std::memory_order_relaxed);
        hostTime_.store(hostTime, std::memory_order_relaxed);
        sequence_.store(sequence + 2, std::memory_order_release);
    }

    // Absent until the first publish after a reset.
    std::optional<Reading> read() const
    {
        for (;;) {
            const auto before = sequence_.load(std::memory_order_acquire);
            if (before & 1) continue;
            const Reading reading{sampleTime_.load(std::memory_order_relaxed), hostTime_.load(std::memory_order_relaxed)};
            std::atomic_thread_fence(std::memory_order_acquire);
            if (sequence_.load(std::memory_order_relaxed) != before) continue;
            if (before == 0) return std::nullopt;
            return reading;
        }
    }

    // While nothing publishes.
    void reset() { sequence_.store(0, std::memory_order_release); }

private:
    std::atomic<std::uint64_t> sequence_{0};
    std::atomic<std::int64_t> sampleTime_{0};
    std::atomic<std::uint64_t> hostTime_{0};
};

} // namespace corvane
