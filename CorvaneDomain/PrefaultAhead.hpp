#pragma once

#include <cstddef>
#include <vector>

namespace corvane {

// Has the kernel back a reserved list some way ahead of the writes that
// fill it: one call for a run of pages instead of a page fault for each,
// which is most of what the first opening of a large song in a process
// costs. At most `aheadBytes` past what the list comes to hold are touched.
class PrefaultAhead {
public:
    explicit PrefaultAhead(std::size_t aheadBytes = 1 << 20) : aheadBytes_(aheadBytes) {}

    template <class T> void keepAhead(const std::vector<T>& list)
    {
        if (list.size() >= ready_) advance(list.data(), list.size(), list.capacity(), sizeof(T));
    }

private:
    void advance(const void* data, std::size_t size, std::size_t capacity, std::size_t elementSize);

    std::size_t aheadBytes_;
    std::size_t ready_ = 0; // elements whose pages are backed
    const void* hugePagesAskedFor_ = nullptr;
};

} // namespace corvane
