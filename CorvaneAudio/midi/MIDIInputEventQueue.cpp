#include "CorvaneAudio/midi/MIDIInputEventQueue.hpp"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corvane {

namespace {
std::size_t powerOfTwoAtLeast(std::size_t value)
{
    std::size_t result = 2;
    while (result < value) result *= 2;
    return result;
}
} // namespace

MIDIInputEventQueue::MIDIInputEventQueue(std::size_t capacity)
    : cells_(std::make_unique<Cell[]>(powerOfTwoAtLeast(capacity))),
      mask_(powerOfTwoAtLeast(capacity) - 1),
      wakeDescriptor_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    // Each cell's sequence says whose turn it is: equal to a position, it is
    // free for the producer of that position; one more, it holds its event.
    for (std::size_t i = 0; i <= mask_; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
}

MIDIInputEventQueue::~MIDIInputEventQueue()
{
    if (wakeDescriptor_ >= 0) ::close(wakeDescriptor_);
}

bool MIDIInputEventQueue::push(const MIDIInputEvent& event)
{
    std::size_t position = enqueuePosition_.load(std::memory_order_relaxed);
    for (;;) {
        Cell& cell = cells_[position & mask_];
        const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
        const auto difference = static_cast<std::ptrdiff_t>(sequence - position);
        if (difference == 0) {
            if (enqueuePosition_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                cell.event = event;
                cell.sequence.store(position + 1, std::memory_order_release);
                return true;
            }
        } else if (difference < 0) {
            return false; // full
        } else {
            position = enqueuePosition_.load(std::memory_order_relaxed);
        }
    }
}

void MIDIInputEventQueue::wakeConsumer()
{
    if (wakePending_.exchange(true)) return;
    const std::uint64_t one = 1;
    // Non-blocking; the counter cannot realistically overflow.
    [[maybe_unused]] const auto written = ::write(wakeDescriptor_, &one, sizeof one);
}

void MIDIInputEventQueue::acknowledgeWake()
{
    // Read the descriptor first, then clear the flag, both before draining: a
    // push whose producer finds the flag cleared wakes the consumer again, and
    // one that found it set is drained now (the exchange makes it visible).
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(wakeDescriptor_, &count, sizeof count);
    wakePending_.exchange(false);
}

std::optional<MIDIInputEvent> MIDIInputEventQueue::pop()
{
    const std::size_t position = dequeuePosition_.load(std::memory_order_relaxed);
    Cell& cell = cells_[position & mask_];
    const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
    // Not yet written (or empty): the producer that claimed it wakes us when done.
    if (sequence != position + 1) return std::nullopt;
    MIDIInputEvent event = cell.event;
    dequeuePosition_.store(position + 1, std::memory_order_relaxed);
    cell.sequence.store(position + mask_ + 1, std::memory_order_release);
    return event;
}

} // namespace corvane
