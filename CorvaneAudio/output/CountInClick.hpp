#pragma once

#include <cstddef>
#include <vector>

namespace corvane {

// The count-in clicks: 35 ms mono sine bursts at a fixed 48 kHz, with a
// 1.5 ms linear rise and an exponential decay. Built once, never changed.
struct CountInClicks {
    static constexpr double sampleRate = 48000;
    static constexpr std::size_t frameCount = 1680;

    std::vector<float> normal;   // 1350 Hz, amplitude 0.18
    std::vector<float> accented; // 1900 Hz, amplitude 0.25

    // Throws PianoAudioError (countInBufferUnavailable).
    static CountInClicks make();
};

// Sample n at t = n / 48000 s: amplitude * sin(2 pi f t) * e^(-95 t) * min(t / 0.0015, 1).
std::vector<float> makeCountInBuffer(double frequency, double amplitude);

} // namespace corvane
