#pragma once

#include <cstdint>

namespace corvane {

// A texture the renderer made, by its OpenGL name and size in pixels; valid
// only in the renderer's context and only while the renderer keeps it.
struct StageTexture {
    std::uint32_t name = 0;
    int width = 0;
    int height = 0;

    bool operator==(const StageTexture&) const = default;
};

} // namespace corvane
