#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>
#include <map>
#include <utility>

namespace corvane {

// What the ALSA sequencer's announce port says about its ports, kept as a
// count of departures per address: a device unplugged and plugged in again
// often gets the same client:port, and only the exit announced in between
// tells the new port from the old one.
class ALSAAnnounceTracker {
public:
    // True when the event changes which ports exist or what they are called.
    bool apply(const snd_seq_event_t& event);
    // Events were lost (the announce queue overflowed): no address can be
    // trusted to name the port it named before.
    void forgetAll() { ++lost_; }

    // Changes whenever the port at this address may have been replaced.
    std::uint64_t generation(int client, int port) const;
    // Changes whenever the client may have been replaced.
    std::uint64_t clientGeneration(int client) const;

private:
    std::map<std::pair<int, int>, std::uint64_t> portDepartures_;
    std::map<int, std::uint64_t> clientDepartures_;
    std::uint64_t lost_ = 0;
};

} // namespace corvane
