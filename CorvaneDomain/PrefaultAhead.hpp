#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace corvane {

// Has the kernel back a reserved list some way ahead of the writes that
// fill it: one call for a run of pages instead of a page fault for each,
// which is most of what the first opening of a large song in a process
// costs. At most `aheadBytes` past what the list comes to hold are touched.
//
// With `inBackground`, a thread of its own does it while the writer goes on:
// the writer only tells it, now and then, how far the list has come. That
// thread touches the list's memory only through the kernel, never the list
// itself, and is joined before the list could move: by stop(), when the list
// is full, or when this is destroyed.
class PrefaultAhead {
public:
    explicit PrefaultAhead(std::size_t aheadBytes = 1 << 20);
    ~PrefaultAhead();
    PrefaultAhead(const PrefaultAhead&) = delete;
    PrefaultAhead& operator=(const PrefaultAhead&) = delete;

    // For a list just reserved (`list.capacity()` is the room it fills). A
    // small one is not worth a thread: it is backed as keepAhead does.
    template <class T> void inBackground(const std::vector<T>& list)
    {
        start(list.data(), list.size(), list.capacity(), sizeof(T));
    }

    // Called before each element is added.
    template <class T> void keepAhead(const std::vector<T>& list)
    {
        if (list.size() >= ready_) advance(list.data(), list.size(), list.capacity(), sizeof(T));
    }

    // Before the list is moved, shrunk or freed.
    void stop();

private:
    struct Helper;

    void start(const void* data, std::size_t size, std::size_t capacity, std::size_t elementSize);
    void askForHugePages(const void* data, std::size_t capacity, std::size_t elementSize);
    void advance(const void* data, std::size_t size, std::size_t capacity, std::size_t elementSize);

    std::size_t aheadBytes_;
    std::size_t ready_ = 0; // elements whose pages are backed, or asked for
    const void* hugePagesAskedFor_ = nullptr;
    std::unique_ptr<Helper> helper_;
};

} // namespace corvane
