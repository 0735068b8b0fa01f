#include "CorvaneDomain/PrefaultAhead.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <sys/mman.h>
#include <system_error>
#include <thread>

namespace corvane {

namespace {
constexpr std::uintptr_t pageBytes = 4096;
constexpr std::uintptr_t hugePageBytes = 2u << 20;

// In the background: lists from this size, backed this far ahead of the
// writer (a margin for the kernel's slower moments), told of its progress at this step.
constexpr std::size_t backgroundFromBytes = 4 << 20;
constexpr std::uintptr_t backgroundAheadBytes = 16 << 20;
constexpr std::size_t progressStepBytes = 256 << 10;

std::uintptr_t pageStart(std::uintptr_t address) { return address & ~(pageBytes - 1); }
} // namespace

struct PrefaultAhead::Helper {
    static constexpr std::uintptr_t stopping = UINTPTR_MAX;

    const void* data;
    std::uintptr_t end;                  // of the last whole page of the room
    std::atomic<std::uintptr_t> written; // how far the writer has come, or `stopping`
    std::thread thread;

    void run()
    {
#ifdef MADV_POPULATE_WRITE
        std::uintptr_t done = pageStart(reinterpret_cast<std::uintptr_t>(data) + pageBytes - 1);
        for (;;) {
            const std::uintptr_t reached = written.load(std::memory_order_relaxed);
            if (reached == stopping) return;
            // Pages the writer has reached it backed itself.
            done = std::max(done, pageStart(reached));
            const std::uintptr_t target = std::min(end, pageStart(reached + backgroundAheadBytes));
            if (done < target) {
                // One huge page at a time, so that the nearest come first and stop() is soon heard.
                const std::uintptr_t to = std::min(target, (done + hugePageBytes) & ~(hugePageBytes - 1));
                madvise(reinterpret_cast<void*>(done), to - done, MADV_POPULATE_WRITE);
                done = to;
                continue;
            }
            if (target == end) return;
            written.wait(reached, std::memory_order_relaxed);
        }
#endif
    }
};

PrefaultAhead::PrefaultAhead(std::size_t aheadBytes) : aheadBytes_(aheadBytes) {}

PrefaultAhead::~PrefaultAhead() { stop(); }

void PrefaultAhead::stop()
{
    if (!helper_) return;
    helper_->written.store(Helper::stopping, std::memory_order_relaxed);
    helper_->written.notify_one();
    helper_->thread.join();
    helper_.reset();
    ready_ = 0;
}

void PrefaultAhead::start(const void* data, std::size_t size, std::size_t capacity, std::size_t elementSize)
{
    stop();
#ifdef MADV_POPULATE_WRITE
    if (capacity * elementSize < backgroundFromBytes) return;
    askForHugePages(data, capacity, elementSize);
    const auto base = reinterpret_cast<std::uintptr_t>(data);
    auto helper = std::make_unique<Helper>();
    helper->data = data;
    helper->end = pageStart(base + capacity * elementSize);
    helper->written.store(base + size * elementSize, std::memory_order_relaxed);
    try {
        helper->thread = std::thread(&Helper::run, helper.get());
    } catch (const std::system_error&) {
        return; // backed as keepAhead does
    }
    helper_ = std::move(helper);
    ready_ = std::min(capacity, size + std::max<std::size_t>(1, progressStepBytes / elementSize));
#else
    (void)data, (void)size, (void)capacity, (void)elementSize;
#endif
}

void PrefaultAhead::askForHugePages(const void* data, std::size_t capacity, std::size_t elementSize)
{
#ifdef MADV_HUGEPAGE
    // A large list backed by 2 MB pages costs one fault per 512 pages: the
    // kernel only zeroes them. Asked once for each buffer the list lives in.
    if (data == hugePagesAskedFor_) return;
    hugePagesAskedFor_ = data;
    const auto base = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (base + hugePageBytes - 1) & ~(hugePageBytes - 1);
    const std::uintptr_t last = (base + capacity * elementSize) & ~(hugePageBytes - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data, (void)capacity, (void)elementSize;
#endif
}

void PrefaultAhead::advance(const void* data, std::size_t size, std::size_t capacity, std::size_t elementSize)
{
    if (helper_) {
        // Full: the next element moves the list, so the helper is done first.
        if (data != helper_->data || size >= capacity) {
            stop();
        } else {
            ready_ = std::min(capacity, size + std::max<std::size_t>(1, progressStepBytes / elementSize));
            helper_->written.store(reinterpret_cast<std::uintptr_t>(data) + size * elementSize,
                                   std::memory_order_relaxed);
            helper_->written.notify_one();
            return;
        }
    }
    const std::size_t end = std::min(capacity, size + std::max<std::size_t>(1, aheadBytes_ / elementSize));
    ready_ = end;
#ifdef MADV_POPULATE_WRITE
    // Whole pages within the list only; a kernel without the advice (before 5.14) refuses it, and faults as before.
    askForHugePages(data, capacity, elementSize);
    const auto base = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t from = pageStart(base + size * elementSize);
    const std::uintptr_t to = pageStart(base + end * elementSize);
    if (to > from && from >= base) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
    (void)data;
#endif
}

} // namespace corvane
