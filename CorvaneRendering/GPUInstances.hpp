#pragma once

#include <cstddef>

#include "CorvaneRendering/GPUVector.hpp"

namespace corvane {

// Per-instance records read by the stage program as three (or two) vec4
// attributes. Positions and sizes are points of the view; colours are straight RGBA.
struct alignas(16) QuadInstance {
    Float2 center;
    Float2 size; // full width and height before rotation
    Float4 color;
    float rotation = 0; // radians
    // How many identical quads this one stands for, drawn one over another;
    // only the notes and their glow fold them in.
    float layers = 1;

    bool operator==(const QuadInstance&) const = default;
};

struct KeyLightInstance {
    Float2 center;
    Float2 size;
    Float4 color;
    Float2 topInsets; // left and right cut of a white key's upper part, fractions of its width
    float isBlack = 0;
    float glowOpacity = 0;

    bool operator==(const KeyLightInstance&) const = default;
};

struct ParticleInstance {
    Float2 center;
    Float2 size;
    Float4 color;
    float rotation = 0;
    float material = 0; // shape code of the stage program
    float seed = 0;
    float padding = 0;

    bool operator==(const ParticleInstance&) const = default;
};

struct KeyboardInstance {
    Float2 center;
    Float2 size;
    Float4 uvRect; // u, v, width, height

    bool operator==(const KeyboardInstance&) const = default;
};

static_assert(sizeof(QuadInstance) == 48 && offsetof(QuadInstance, rotation) == 32 &&
              offsetof(QuadInstance, layers) == 36);
static_assert(sizeof(KeyLightInstance) == 48 && offsetof(KeyLightInstance, topInsets) == 32);
static_assert(sizeof(ParticleInstance) == 48 && offsetof(ParticleInstance, seed) == 40);
static_assert(sizeof(KeyboardInstance) == 32 && offsetof(KeyboardInstance, uvRect) == 16);

} // namespace corvane
