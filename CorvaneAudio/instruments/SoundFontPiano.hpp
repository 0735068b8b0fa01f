#pragma once

#include <atomic>
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
    // Chosen by measurement on the bundled grand piano: a ten-note chord at
    // velocity 120 peaks about 2 dB below full scale, and no such chord clips.
    static constexpr double gain = 0.87;
    // Each note of the bundled piano takes up to four voices (two stereo
    // layers); the densest demo played with the sustain pedal held, and a
    // ten-note chord over it, stays well below this, so no sounding voice is
    // ever taken for a new one.
    static constexpr int polyphony = 768;

    // Decodes the piano's samples, which may take a second or two; only the
    // preset played is decoded, not the whole SoundFont. Throws
    // InstrumentLoadError when the SoundFont cannot be loaded, or when
    // `abandon` (read between the file's reads) turns true meanwhile: a
    // caller who no longer wants the piano is not kept waiting for it.
    SoundFontPiano(std::filesystem::path soundFont, double sampleRate, const std::atomic<bool>* abandon = nullptr);
    ~SoundFontPiano() override;
    SoundFontPiano(const SoundFontPiano&) = delete;
    SoundFontPiano& operator=(const SoundFontPiano&) = delete;

    // FluidSynth fixes its rate at creation; a new rate rebuilds the synth,
    // which takes the samples the old one decoded (some 30 ms, not seconds).
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
