#pragma once

#include <filesystem>

#include "CorvaneAudio/instruments/RenderInstrument.hpp"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace corvane {

// The built-in piano: FluidSynth playing the SoundFont's first melodic preset
// on every channel. It stays one piano: program changes are ignored and
// channel 10 is no drum kit.
class SoundFontPiano final : public RenderInstrument {
public:
    // Throws InstrumentLoadError when the SoundFont cannot be loaded.
    SoundFontPiano(std::filesystem::path soundFont, double sampleRate);
    ~SoundFontPiano() override;
    SoundFontPiano(const SoundFontPiano&) = delete;
    SoundFontPiano& operator=(const SoundFontPiano&) = delete;

    // FluidSynth fixes its rate at creation; a new rate rebuilds the synth.
    void prepare(double sampleRate) override;
    double sampleRate() const override { return sampleRate_; }
    void handle(const MIDIInstrumentCommand& command) override;
    void render(float* left, float* right, std::uint32_t frames) override;

    // Voices now sounding (for diagnostics and benchmarks).
    int activeVoiceCount() const;

private:
    void build(double sampleRate);
    void release();

    std::filesystem::path soundFont_;
    double sampleRate_ = 0;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
};

} // namespace corvane
