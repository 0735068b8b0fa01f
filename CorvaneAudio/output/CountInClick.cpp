#include "CorvaneAudio/output/CountInClick.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "CorvaneAudio/PianoAudioError.hpp"

namespace corvane {

std::vector<float> makeCountInBuffer(double frequency, double amplitude)
{
    std::vector<float> samples;
    try {
        samples.resize(CountInClicks::frameCount);
    } catch (const std::bad_alloc&) {
        throw PianoAudioError(PianoAudioError::CountInBufferUnavailable{});
    }
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double t = static_cast<double>(n) / CountInClicks::sampleRate;
        const double envelope = std::exp(-95.0 * t) * std::min(t / 0.0015, 1.0);
        samples[n] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequency * t) * envelope);
    }
    return samples;
}

CountInClicks CountInClicks::make()
{
    CountInClicks clicks;
    clicks.normal = makeCountInBuffer(1350, 0.18);
    clicks.accented = makeCountInBuffer(1900, 0.25);
    return clicks;
}

} // namespace corvane
