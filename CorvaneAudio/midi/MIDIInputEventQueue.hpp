#pragma once

#include "CorvaneAudio/midi/MIDIInputEvent.hpp"

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>

namespace corvane {

// Hands parsed events from the MIDI receive threads to the main thread.
//
// The receive thread may be JACK's real-time process thread, so the producer
// side takes no lock and allocates nothing: a bounded queue (any number of
// producers, one consumer) plus an eventfd that the consumer's event loop
// watches. A full queue drops what does not fit, so a flooding device cannot
// grow memory without end.
class MIDIInputEventQueue {
public:
    // Capacity is rounded up to a power of two.
    explicit MIDIInputEventQueue(std::size_t capacity);
    ~MIDIInputEventQueue();

    MIDIInputEventQueue(const MIDIInputEventQueue&) = delete;
    MIDIInputEventQueue& operator=(const MIDIInputEventQueue&) = delete;

    // False when the wake descriptor could not be made.
    bool isValid() const { return wakeDescriptor_ >= 0; }
    // Readable while pushed events wait for the consumer.
    int wakeDescriptor() const { return wakeDescriptor_; }

    // Any thread. False when the queue is full and the event was dropped.
    bool push(const MIDIInputEvent& event);
    // Any thread, after its pushes: makes the descriptor readable unless a
    // wake is already pending.
    void wakeConsumer();

    // Consumer only: call when the descriptor became readable, before popping.
    void acknowledgeWake();
    // Consumer only: the oldest event, or absent when none is ready.
    std::optional<MIDIInputEvent> pop();

private:
    struct Cell {
        std::atomic<std::size_t> sequence{0};
        MIDIInputEvent event{0, 1, 0, {}};
    };

    std::unique_ptr<Cell[]> cells_;
    std::size_t mask_ = 0;
    int wakeDescriptor_ = -1;
    std::atomic<bool> wakePending_{false};
    alignas(64) std::atomic<std::size_t> enqueuePosition_{0};
    alignas(64) std::atomic<std::size_t> dequeuePosition_{0};
};

} // namespace corvane
