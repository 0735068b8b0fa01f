#include "CorvaneAudio/instruments/LV2MessageRing.hpp"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {
constexpr std::size_t headerBytes = sizeof(std::uint32_t);
}

LV2MessageRing::LV2MessageRing(std::size_t capacityBytes) : bytes_(std::max<std::size_t>(capacityBytes, 64)) {}

void LV2MessageRing::copyIn(std::size_t at, const void* data, std::size_t size)
{
    const std::size_t start = at % bytes_.size();
    const std::size_t first = std::min(size, bytes_.size() - start);
    const auto* source = static_cast<const std::uint8_t*>(data);
    std::memcpy(bytes_.data() + start, source, first);
    std::memcpy(bytes_.data(), source + first, size - first);
}

void LV2MessageRing::copyOut(std::size_t at, void* out, std::size_t size) const
{
    const std::size_t start = at % bytes_.size();
    const std::size_t first = std::min(size, bytes_.size() - start);
    auto* target = static_cast<std::uint8_t*>(out);
    std::memcpy(target, bytes_.data() + start, first);
    std::memcpy(target + first, bytes_.data(), size - first);
}

bool LV2MessageRing::write(std::uint32_t size, const void* data)
{
    if (size > 0 && !data) return false;
    const std::size_t written = written_.load(std::memory_order_relaxed);
    const std::size_t used = written - read_.load(std::memory_order_acquire);
    if (headerBytes + std::size_t(size) > bytes_.size() - used) return false;
    copyIn(written, &size, headerBytes);
    if (size > 0) copyIn(written + headerBytes, data, size);
    written_.store(written + headerBytes + size, std::memory_order_release);
    return true;
}

bool LV2MessageRing::peek(std::uint32_t& size) const
{
    const std::size_t read = read_.load(std::memory_order_relaxed);
    if (written_.load(std::memory_order_acquire) == read) return false;
    copyOut(read, &size, headerBytes);
    return true;
}

bool LV2MessageRing::read(void* out, std::uint32_t capacity)
{
    std::uint32_t size = 0;
    if (!peek(size) || size > capacity) return false;
    const std::size_t read = read_.load(std::memory_order_relaxed);
    if (size > 0) copyOut(read + headerBytes, out, size);
    read_.store(read + headerBytes + size, std::memory_order_release);
    return true;
}

void LV2MessageRing::clear() { read_.store(written_.load(std::memory_order_acquire), std::memory_order_release); }

} // namespace corvane
