#pragma once

#include "CorvaneAudio/midi/ALSAAnnounceTracker.hpp"
#include "CorvaneAudio/midi/ALSACardDetails.hpp"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace corvane {

// A sequencer client of our own, subscribed to the system's announce port
// (client 0, port 1), whose thread reads what it announces: ports and clients
// that start, exit or change. It also names the sound card behind a client.
class ALSAAnnounceWatcher {
public:
    // Null when the sequencer cannot be opened.
    static std::unique_ptr<ALSAAnnounceWatcher> open(const std::string& clientName, std::function<void()> changed);
    // Stops the thread before anything it uses goes.
    ~ALSAAnnounceWatcher();

    ALSAAnnounceWatcher(const ALSAAnnounceWatcher&) = delete;
    ALSAAnnounceWatcher& operator=(const ALSAAnnounceWatcher&) = delete;

    int clientID() const { return clientID_; }
    std::uint64_t generation(int client, int port) const;
    // Maker and model of the card behind the client; empty for a client
    // without a card (a software synthesizer, a bridge).
    ALSACardDetails cardDetails(int client);

private:
    ALSAAnnounceWatcher(snd_seq_t* sequencer, int stopDescriptor, std::function<void()> changed);
    void run();

    snd_seq_t* sequencer_;
    int stopDescriptor_;
    int clientID_ = -1;
    std::function<void()> changed_;
    mutable std::mutex mutex_;
    ALSAAnnounceTracker tracker_;
    // By client and its generation, so that a client number taken by another
    // device is asked again.
    std::map<std::pair<int, std::uint64_t>, ALSACardDetails> cards_;
    std::thread thread_;
};

} // namespace corvane
