#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class QOpenGLFunctions_3_3_Core;

namespace corvane {

// The frame's instance records in one vertex buffer, read as three vec4
// attributes per instance. Three buffers take turns, so that a frame never
// writes into one the GPU may still be reading; each grows only when a frame
// needs more room than it has, so a steady stage creates no buffers.
class GLInstanceBuffer {
public:
    static constexpr std::size_t recordSize = 48;

    explicit GLInstanceBuffer(QOpenGLFunctions_3_3_Core& gl);
    ~GLInstanceBuffer();
    GLInstanceBuffer(const GLInstanceBuffer&) = delete;
    GLInstanceBuffer& operator=(const GLInstanceBuffer&) = delete;

    // Starts the next buffer of the ring with room for `recordCount` records.
    void begin(std::size_t recordCount);
    // Appends records of `recordSize` bytes each; returns the index of the first.
    template <class Record> std::size_t append(std::span<const Record> records)
    {
        static_assert(sizeof(Record) <= recordSize);
        return appendBytes(records.data(), records.size(), sizeof(Record));
    }
    // Draws `count` instances of six vertices from record `first` with the bound program.
    void draw(std::size_t first, std::size_t count);

    std::size_t bytesThisFrame() const { return used_ * recordSize; }

private:
    std::size_t appendBytes(const void* data, std::size_t count, std::size_t size);

    QOpenGLFunctions_3_3_Core& gl_;
    std::uint32_t vertexArray_ = 0;
    std::array<std::uint32_t, 3> buffers_{};
    std::array<std::size_t, 3> capacities_{}; // records
    std::size_t current_ = 0;
    std::size_t used_ = 0;
};

} // namespace corvane
