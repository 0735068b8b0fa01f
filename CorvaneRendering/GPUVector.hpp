#pragma once

namespace corvane {

// Two and four 32-bit floats laid out as the stage program's vec2 and vec4.
struct Float2 {
    float x = 0;
    float y = 0;

    bool operator==(const Float2&) const = default;
};

struct Float4 {
    float x = 0;
    float y = 0;
    float z = 0;
    float w = 0;

    bool operator==(const Float4&) const = default;
};

} // namespace corvane
