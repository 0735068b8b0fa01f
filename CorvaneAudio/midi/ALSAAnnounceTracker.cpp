#include "CorvaneAudio/midi/ALSAAnnounceTracker.hpp"

namespace corvane {

namespace {

template <class Key> std::uint64_t countOf(const std::map<Key, std::uint64_t>& counts, const Key& key)
{
    const auto it = counts.find(key);
    return it == counts.end() ? 0 : it->second;
}

} // namespace

bool ALSAAnnounceTracker::apply(const snd_seq_event_t& event)
{
    const snd_seq_addr_t& address = event.data.addr;
    switch (event.type) {
    case SND_SEQ_EVENT_PORT_EXIT:
        ++portDepartures_[{address.client, address.port}];
        return true;
    case SND_SEQ_EVENT_CLIENT_EXIT:
        ++clientDepartures_[address.client];
        return true;
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_CHANGE:
        return true;
    default:
        return false; // subscriptions and anything else leave the list as it is
    }
}

std::uint64_t ALSAAnnounceTracker::generation(int client, int port) const
{
    // Packed so that any of the three counts changing changes the whole
    // (until a count passes a million).
    return (lost_ << 40) ^ (countOf(clientDepartures_, client) << 20) ^ countOf(portDepartures_, std::pair{client, port});
}

std::uint64_t ALSAAnnounceTracker::clientGeneration(int client) const
{
    return (lost_ << 40) ^ countOf(clientDepartures_, client);
}

} // namespace corvane
