#include "CorvaneDomain/PrefaultAhead.hpp"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>

namespace corvane {

namespace {
constexpr std::uintptr_t pageBytes = 4096;
constexpr std::uintptr_t hugePageBytes = 2u << 20;
} // namespace

void PrefaultAhead::advance(const void* data, std::size_t size, std::size_t capacity, std::size_t elementSize)
{
    const std::size_t end = std::min(capacity, size + std::max<std::size_t>(1, aheadBytes_ / elementSize));
    ready_ = end;
#ifdef MADV_POPULATE_WRITE
    // Whole pages within the list only; a kernel without the advice (before 5.14) refuses it, and faults as before.
    const auto base = reinterpret_cast<std::uintptr_t>(data);
#ifdef MADV_HUGEPAGE
    // A large list backed by 2 MB pages costs one fault per 512 pages: the
    // kernel only zeroes them. Asked once for each buffer the list lives in.
    if (data != hugePagesAskedFor_) {
        hugePagesAskedFor_ = data;
        const std::uintptr_t first = (base + hugePageBytes - 1) & ~(hugePageBytes - 1);
        const std::uintptr_t last = (base + capacity * elementSize) & ~(hugePageBytes - 1);
        if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#endif
    const std::uintptr_t from = (base + size * elementSize) & ~(pageBytes - 1);
    const std::uintptr_t to = (base + end * elementSize) & ~(pageBytes - 1);
    if (to > from && from >= base) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
    (void)data;
#endif
}

} // namespace corvane
