#include "CorvaneAudio/output/AudioRenderClockInstant.hpp"

#include "CorvaneAudio/HostClock.hpp"

namespace corvane {

std::optional<double> AudioRenderClockInstant::clockTimeSeconds() const
{
    if (hostTime) return secondsForHostTime(*hostTime);
    if (sampleTime < 0 || !(sampleRate > 0)) return std::nullopt;
    return static_cast<double>(sampleTime) / sampleRate;
}

std::optional<double> AudioRenderClockInstant::elapsedSeconds(const AudioRenderClockInstant& earlier) const
{
    if (hostTime && earlier.hostTime) {
        if (*hostTime < *earlier.hostTime) return std::nullopt;
        return secondsForHostTime(*hostTime - *earlier.hostTime);
    }
    if (!(sampleRate > 0) || sampleRate != earlier.sampleRate || sampleTime < earlier.sampleTime) return std::nullopt;
    return static_cast<double>(sampleTime - earlier.sampleTime) / sampleRate;
}

} // namespace corvane
