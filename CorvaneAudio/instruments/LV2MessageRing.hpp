#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

// A bounded queue of variable-sized messages between exactly one writing
// and one reading thread, neither of which ever waits or allocates: a write
// that does not fit is refused whole. The capacity is fixed at creation.
class LV2MessageRing {
public:
    explicit LV2MessageRing(std::size_t capacityBytes);
    LV2MessageRing(const LV2MessageRing&) = delete;
    LV2MessageRing& operator=(const LV2MessageRing&) = delete;

    // Writer: false (nothing written) when the message does not fit now.
    bool write(std::uint32_t size, const void* data);
    // Reader: the next message's size, absent when there is none.
    bool peek(std::uint32_t& size) const;
    // Reader: copies the next message into `out` (at least its size) and
    // removes it; false when there is none.
    bool read(void* out, std::uint32_t capacity);
    // Reader: drops everything written so far.
    void clear();

    std::size_t capacity() const { return bytes_.size(); }

private:
    void copyIn(std::size_t at, const void* data, std::size_t size);
    void copyOut(std::size_t at, void* out, std::size_t size) const;

    std::vector<std::uint8_t> bytes_;
    // Free-running byte counts; positions are taken modulo the capacity.
    std::atomic<std::size_t> written_{0};
    std::atomic<std::size_t> read_{0};
};

} // namespace corvane
