#pragma once

#include "CorvaneAudio/midi/MIDIEndpoint.hpp"
#include "CorvaneAudio/midi/MIDIStatus.hpp"
#include "CorvaneAudio/midi/UMPEventPacket.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The Linux MIDI systems the device monitor can sit on.
enum class MIDIApi { alsaSequencer, jack };

// The properties of one endpoint as the MIDI system reports them; each is
// absent when the system does not know it.
struct MIDIEndpointProperties {
    MIDIEndpointRef endpoint = 0;
    std::optional<std::int32_t> uniqueID;
    std::optional<std::string> displayName;
    std::optional<std::string> name;
    std::optional<std::string> manufacturer;
    std::optional<std::string> model;
    std::optional<std::int64_t> offline;
    bool operator==(const MIDIEndpointProperties&) const = default;
};

// The small set of MIDI operations the device monitor needs: one client with
// one input port that any number of sources can be connected to, and one
// output port that sends to any destination. Called on the main thread only,
// except the receiver, which runs on the system's own receive thread.
class MIDIPortSystem {
public:
    // Called on the receive thread with the source's unique id and the words
    // that arrived. Must not block.
    using Receiver = std::function<void(std::int32_t sourceID, const UMPEventPacket& packet)>;
    // Called on any thread when the system's ports or clients changed; must
    // not block.
    using ChangeHandler = std::function<void()>;

    virtual ~MIDIPortSystem() = default;

    virtual MIDIStatus createClient(const std::string& name) = 0;
    virtual MIDIStatus createInputPort(const std::string& name, Receiver receiver) = 0;
    virtual MIDIStatus createOutputPort(const std::string& name) = 0;

    // Notifies `changed` of every later change of the system's ports until
    // the system is destroyed; a system without notifications ignores it.
    virtual void watch(ChangeHandler changed) { (void)changed; }

    // Endpoints in the system's own order, without this client's own ports.
    // A port that went away and came back, even under the same name, is
    // listed under a new endpoint reference (with the same unique id).
    virtual std::vector<MIDIEndpointProperties> sources() = 0;
    virtual std::vector<MIDIEndpointProperties> destinations() = 0;

    virtual MIDIStatus connectSource(MIDIEndpointRef source) = 0;
    virtual MIDIStatus disconnectSource(MIDIEndpointRef source) = 0;

    // Sends one type-2 (MIDI 1.0 channel voice) word at once.
    virtual MIDIStatus send(MIDIEndpointRef destination, std::uint32_t word) = 0;
};

// The system for the given API; its client is not yet created.
std::unique_ptr<MIDIPortSystem> makeMIDIPortSystem(MIDIApi api);

// JACK: one client that lists, watches, receives from every connected source
// on a port of its own and sends through one output port.
std::unique_ptr<MIDIPortSystem> makeJackMIDIPortSystem();
// ALSA sequencer: RtMidi's ports for the traffic, and a client of our own
// subscribed to the system's announce port for listing and notifications.
std::unique_ptr<MIDIPortSystem> makeALSAMIDIPortSystem();

// Whether this machine has an ALSA sequencer device to open.
bool alsaSequencerAvailable();

} // namespace corvane
