#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <type_traits>

namespace corvane {

// A fixed-size ring for one producer thread and one consumer thread, without
// locks or allocation: how commands reach the audio thread.
template <class T, std::size_t Capacity> class SingleProducerQueue {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    // False when full; the value is then dropped.
    bool push(const T& value)
    {
        const auto tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity) return false;
        slots_[tail & (Capacity - 1)] = value;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    bool pop(T& value)
    {
        const auto head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        value = slots_[head & (Capacity - 1)];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<T, Capacity> slots_{};
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

} // namespace corvane
