#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "CorvaneRendering/ActiveImpact.hpp"
#include "CorvaneRendering/AnimationClock.hpp"
#include "CorvaneRendering/GPUInstances.hpp"
#include "CorvaneRendering/RenderState.hpp"

namespace corvane {

// One frame's instance lists. Made once and refilled every frame, so that
// the lists keep their storage and a steady frame allocates nothing.
struct SceneInstances {
    std::vector<QuadInstance> keyboardQuads; // drawn only when the keyboard photograph is missing
    std::vector<KeyLightInstance> keyLights;
    std::vector<QuadInstance> notes;
    std::vector<QuadInstance> bloomNotes;
    std::vector<QuadInstance> bloomQuads;
    std::vector<ParticleInstance> particles;
    // Each key's newest note and glow, as places in `notes` and `bloomNotes`
    // (-1: none yet this frame).
    std::array<std::int32_t, 128> lastNoteOfKey;
    std::array<std::int32_t, 128> lastBloomNoteOfKey;

    SceneInstances();
    void clear();
};

// Refills `scene` for a view of `viewport` points: the saber's bloom bar, the
// drawn keyboard, the falling notes (or the demo rain without a song) with
// their glow, and for every active impact, newest first, its key light and particles.
void makeInstances(SceneInstances& scene, Float2 viewport, const RenderState& state, const AnimationTimes& times,
                   const std::vector<ActiveImpact>& activeImpacts);

// The keyboard photograph stretched over the keyboard area.
KeyboardInstance texturedKeyboardInstance(Float2 viewport);

} // namespace corvane
