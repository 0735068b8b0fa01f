#include "CorvaneRendering/GLInstanceBuffer.hpp"

#include <QOpenGLFunctions_3_3_Core>
#include <algorithm>
#include <cstring>

namespace corvane {

GLInstanceBuffer::GLInstanceBuffer(QOpenGLFunctions_3_3_Core& gl) : gl_(gl)
{
    gl.glGenVertexArrays(1, &vertexArray_);
    gl.glGenBuffers(static_cast<GLsizei>(buffers_.size()), buffers_.data());
    gl.glBindVertexArray(vertexArray_);
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
        gl.glEnableVertexAttribArray(attribute);
        gl.glVertexAttribDivisor(attribute, 1);
    }
    gl.glBindVertexArray(0);
}

GLInstanceBuffer::~GLInstanceBuffer()
{
    gl_.glDeleteBuffers(static_cast<GLsizei>(buffers_.size()), buffers_.data());
    gl_.glDeleteVertexArrays(1, &vertexArray_);
}

void GLInstanceBuffer::begin(std::size_t recordCount)
{
    current_ = (current_ + 1) % buffers_.size();
    used_ = 0;
    gl_.glBindBuffer(GL_ARRAY_BUFFER, buffers_[current_]);
    if (capacities_[current_] < recordCount) {
        const std::size_t capacity = std::max(recordCount, capacities_[current_] * 2);
        gl_.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity * recordSize), nullptr, GL_STREAM_DRAW);
        capacities_[current_] = capacity;
    }
}

std::size_t GLInstanceBuffer::appendBytes(const void* data, std::size_t count, std::size_t size)
{
    const std::size_t first = used_;
    if (count == 0) return first;
    count = std::min(count, capacities_[current_] - used_);
    gl_.glBindBuffer(GL_ARRAY_BUFFER, buffers_[current_]);
    if (size == recordSize) {
        gl_.glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(used_ * recordSize),
                            static_cast<GLsizeiptr>(count * recordSize), data);
    } else {
        // Shorter records (the keyboard's) go one by one into full-size slots.
        unsigned char slot[recordSize] = {};
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(slot, static_cast<const unsigned char*>(data) + i * size, size);
            gl_.glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>((used_ + i) * recordSize), recordSize, slot);
        }
    }
    used_ += count;
    return first;
}

void GLInstanceBuffer::draw(std::size_t first, std::size_t count)
{
    if (count == 0) return;
    gl_.glBindVertexArray(vertexArray_);
    gl_.glBindBuffer(GL_ARRAY_BUFFER, buffers_[current_]);
    const std::size_t base = first * recordSize;
    for (GLuint attribute = 0; attribute < 3; ++attribute)
        gl_.glVertexAttribPointer(attribute, 4, GL_FLOAT, GL_FALSE, recordSize,
                                  reinterpret_cast<const void*>(base + attribute * 16));
    gl_.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, static_cast<GLsizei>(count));
}

} // namespace corvane
