#include "CorvaneAudio/midi/MIDIInputEvent.hpp"

#include "CorvaneAudio/HostClock.hpp"

#include <cmath>

namespace corvane {

MIDIInputEvent::MIDIInputEvent(std::int32_t sourceID, std::uint64_t timestamp, std::uint8_t channel,
                               MIDIInputMessage message)
    : sourceID(sourceID),
      timestamp(timestamp != 0 ? timestamp : hostTimeNow()),
      timestampSeconds(secondsForHostTime(this->timestamp)),
      channel(channel),
      message(std::move(message))
{
}

double MIDIInputEvent::deliveryLatencyMilliseconds(std::uint64_t receivedAtHostTime) const
{
    const double milliseconds = (secondsForHostTime(receivedAtHostTime) - timestampSeconds) * 1000.0;
    if (std::isnan(milliseconds) || milliseconds < 0) return 0;
    return milliseconds;
}

} // namespace corvane
