#pragma once

#include "CorvaneAudio/midi/MIDIPortSystem.hpp"

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

// A MIDI system whose endpoints, failures and traffic the test controls
// through a shared state, which outlives the system handed to the monitor.
struct FakeMIDIState {
    std::vector<corvane::MIDIEndpointProperties> sources;
    std::vector<corvane::MIDIEndpointProperties> destinations;
    corvane::MIDIStatus clientStatus = 0;
    corvane::MIDIStatus inputPortStatus = 0;
    corvane::MIDIStatus outputPortStatus = 0;
    // Endpoint to the statuses its next connection attempts return (then success).
    std::map<corvane::MIDIEndpointRef, std::vector<corvane::MIDIStatus>> connectFailures;
    // Statuses of the next sends, in order (then success).
    std::vector<corvane::MIDIStatus> sendStatuses;
    std::set<corvane::MIDIEndpointRef> connected;
    int connectCalls = 0;
    std::vector<std::pair<corvane::MIDIEndpointRef, std::uint32_t>> sent;
    corvane::MIDIPortSystem::Receiver receiver;
    // What the system would call when its ports change; empty once destroyed.
    corvane::MIDIPortSystem::ChangeHandler changed;
    int sourceListings = 0;
    bool destroyed = false;
};

class FakeMIDIPortSystem : public corvane::MIDIPortSystem {
public:
    explicit FakeMIDIPortSystem(std::shared_ptr<FakeMIDIState> state) : state_(std::move(state)) {}
    ~FakeMIDIPortSystem() override
    {
        state_->destroyed = true;
        state_->receiver = nullptr;
        state_->changed = nullptr;
    }

    corvane::MIDIStatus createClient(const std::string&) override { return state_->clientStatus; }
    corvane::MIDIStatus createInputPort(const std::string&, Receiver receiver) override
    {
        state_->receiver = std::move(receiver);
        return state_->inputPortStatus;
    }
    corvane::MIDIStatus createOutputPort(const std::string&) override { return state_->outputPortStatus; }
    void watch(ChangeHandler changed) override { state_->changed = std::move(changed); }
    std::vector<corvane::MIDIEndpointProperties> sources() override
    {
        ++state_->sourceListings;
        return state_->sources;
    }
    std::vector<corvane::MIDIEndpointProperties> destinations() override { return state_->destinations; }
    corvane::MIDIStatus connectSource(corvane::MIDIEndpointRef source) override
    {
        ++state_->connectCalls;
        auto& failures = state_->connectFailures[source];
        if (!failures.empty()) {
            const auto status = failures.front();
            failures.erase(failures.begin());
            return status;
        }
        state_->connected.insert(source);
        return 0;
    }
    corvane::MIDIStatus disconnectSource(corvane::MIDIEndpointRef source) override
    {
        state_->connected.erase(source);
        return 0;
    }
    corvane::MIDIStatus send(corvane::MIDIEndpointRef destination, std::uint32_t word) override
    {
        state_->sent.emplace_back(destination, word);
        if (state_->sendStatuses.empty()) return 0;
        const auto status = state_->sendStatuses.front();
        state_->sendStatuses.erase(state_->sendStatuses.begin());
        return status;
    }

private:
    std::shared_ptr<FakeMIDIState> state_;
};

inline corvane::MIDIEndpointProperties endpoint(corvane::MIDIEndpointRef reference, std::int32_t uniqueID,
                                                std::string name, bool offline = false)
{
    corvane::MIDIEndpointProperties properties;
    properties.endpoint = reference;
    properties.uniqueID = uniqueID;
    properties.displayName = std::move(name);
    properties.offline = offline ? 1 : 0;
    return properties;
}
