#pragma once

#include <cstdint>

#include "CorvaneAudio/midi/MIDIInstrumentCommand.hpp"

namespace corvane {

// The most frames an instrument is asked to render at once; longer device
// periods are rendered in pieces.
constexpr std::uint32_t maxRenderFrames = 512;

// A sound source the audio thread plays. `handle` and `render` run on the
// audio thread (or on the main thread while no stream runs) and must neither
// allocate nor lock; `prepare` runs on the main thread while nothing renders.
class RenderInstrument {
public:
    virtual ~RenderInstrument() = default;

    virtual void prepare(double sampleRate) = 0;
    virtual double sampleRate() const = 0;

    // One channel message; channels arrive as 0...15. Never `AllNotesOff`,
    // which the caller spells out as controller messages.
    virtual void handle(const MIDIInstrumentCommand& command) = 0;
    // Overwrites `frames` (at most maxRenderFrames) samples of each side.
    virtual void render(float* left, float* right, std::uint32_t frames) = 0;
};

} // namespace corvane
