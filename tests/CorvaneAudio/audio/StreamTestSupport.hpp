#pragma once

// For tests of the output stream without the engine around it.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "CorvaneAudio/instruments/RenderInstrument.hpp"
#include "CorvaneAudio/output/AudioOutputStream.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/output/CountInClick.hpp"

// Renders silence at whatever rate it is given.
class SilentInstrument : public corvane::RenderInstrument {
public:
    void prepare(double rate) override { rate_ = rate; }
    double sampleRate() const override { return rate_; }
    void handle(const corvane::MIDIInstrumentCommand&) override {}
    void render(float* left, float* right, std::uint32_t frames) override
    {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
    }

private:
    double rate_ = 48000;
};

// A JACK stream named `name`, open on the default device, playing `instrument`
// through a render core of its own; not started.
struct InstrumentStream {
    InstrumentStream(corvane::RenderInstrument& instrument, const std::string& name)
        : core(&instrument, clicks), stream(corvane::AudioOutputStream::make(corvane::AudioHostAPI::jack, core, name))
    {
        if (stream) stream->open(std::nullopt);
    }

    corvane::CountInClicks clicks = corvane::CountInClicks::make();
    corvane::AudioRenderCore core;
    std::unique_ptr<corvane::AudioOutputStream> stream;
};
