#include "CorvaneAudio/AudioThreadScheduling.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/JackClientRegistry.hpp"
#include "CorvaneAudio/midi/JackPortDetails.hpp"
#include "CorvaneAudio/midi/MIDIEndpointIdentity.hpp"
#include "CorvaneAudio/midi/MIDIPortSystem.hpp"
#include "CorvaneAudio/midi/UMPConversion.hpp"

#include <jack/jack.h>
#include <jack/metadata.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <jack/uuid.h>
#include <pthread.h>

#include <array>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <tuple>

namespace corvane {

namespace {

// The metadata keys of <jack/metadata.h>, whose variables the program's
// deferred link cannot reach (see CorvaneAudio/deferred).
constexpr const char* prettyNameKey = "http://jackaudio.org/metadata/pretty-name";
constexpr const char* hardwareKey = "http://jackaudio.org/metadata/hardware";

// One JACK client does everything: it lists the ports, hears of every port and
// client that comes, goes or is renamed, and carries the traffic. Each source
// is connected to an input port of its own on this client, so that what
// arrives is still told apart by source; those ports are kept for reuse, never
// unregistered while the process thread may read them. One client means one
// client the server waits for each period, however many keyboards are heard,
// and none until the first source or destination is wired: a client with a
// process callback is waited for every period, whether it has work or not.
class JackMIDIPortSystem final : public MIDIPortSystem {
public:
    ~JackMIDIPortSystem() override
    {
        closeClient();
    }

    MIDIStatus createClient(const std::string& name) override
    {
        clientName_ = name;
        return openClient() ? midiStatus::noError : midiStatus::driverUnavailable;
    }

    MIDIStatus createInputPort(const std::string& name, Receiver receiver) override
    {
        if (!link_) return midiStatus::invalidUse;
        inputPortName_ = name;
        receiver_ = std::move(receiver);
        return midiStatus::noError;
    }

    MIDIStatus createOutputPort(const std::string& name) override
    {
        if (!link_) return midiStatus::invalidUse;
        outputPortName_ = name;
        return registerOutput(*link_) ? midiStatus::noError : midiStatus::portFailure;
    }

    void watch(ChangeHandler changed) override
    {
        std::lock_guard lock(watchMutex_);
        changed_ = std::move(changed);
    }

    std::vector<MIDIEndpointProperties> sources() override
    {
        if (!usableLink()) return {};
        return list(JackPortIsOutput, "source", sources_);
    }

    std::vector<MIDIEndpointProperties> destinations() override
    {
        if (!usableLink()) return {};
        auto listed = list(JackPortIsInput, "destination", destinations_);
        // The destination went away and took our connection with it.
        if (openedDestination_ && !destinations_.names.contains(openedDestination_)) openedDestination_ = 0;
        return listed;
    }

    MIDIStatus connectSource(MIDIEndpointRef source) override
    {
        if (!link_ || link_->shutDown.load() || !receiver_) return midiStatus::invalidUse;
        const auto name = sources_.names.find(source);
        if (name == sources_.names.end()) return midiStatus::endpointNotFound;
        for (std::size_t i = 0; i < link_->slotCount.load(); ++i)
            if (link_->slots[i].endpoint == source) return midiStatus::noError;
        Slot* slot = freeSlot(*link_);
        if (!slot || !carryTraffic(*link_)) return midiStatus::portFailure;
        slot->sourceID.store(sources_.uniqueIDs[source]);
        slot->listening.store(true, std::memory_order_release);
        if (jack_connect(link_->client, name->second.c_str(), jack_port_name(slot->port)) != 0) {
            slot->listening.store(false);
            return jack_port_by_name(link_->client, name->second.c_str()) ? midiStatus::portFailure
                                                                          : midiStatus::endpointNotFound;
        }
        slot->endpoint = source;
        return midiStatus::noError;
    }

    MIDIStatus disconnectSource(MIDIEndpointRef source) override
    {
        if (!link_) return midiStatus::endpointNotFound;
        for (std::size_t i = 0; i < link_->slotCount.load(); ++i) {
            Slot& slot = link_->slots[i];
            if (slot.endpoint != source) continue;
            // A source that went away took the connection with it; asking the
            // server again would only wait for it.
            if (!link_->shutDown.load() && jack_port_connected(slot.port) > 0)
                jack_port_disconnect(link_->client, slot.port);
            slot.listening.store(false, std::memory_order_release);
            slot.endpoint = 0;
            return midiStatus::noError;
        }
        return midiStatus::endpointNotFound;
    }

    MIDIStatus send(MIDIEndpointRef destination, std::uint32_t word) override
    {
        if (!link_ || !link_->output.load()) return midiStatus::invalidUse;
        if (link_->shutDown.load()) return midiStatus::driverUnavailable;
        std::array<std::uint8_t, 3> bytes{};
        const std::size_t length = midi1BytesOfWord(word, bytes);
        if (length == 0) return midiStatus::invalidMessage;
        if (openedDestination_ != destination) {
            const auto name = destinations_.names.find(destination);
            if (name == destinations_.names.end()) return midiStatus::endpointNotFound;
            if (const MIDIStatus status = openDestination(name->second); status != midiStatus::noError) return status;
            openedDestination_ = destination;
        }
        Outgoing record{wiredAtCycle_ + 2, static_cast<std::uint8_t>(length), bytes};
        if (jack_ringbuffer_write_space(link_->outgoing) < sizeof record) return midiStatus::sendFailed;
        jack_ringbuffer_write(link_->outgoing, reinterpret_cast<const char*>(&record), sizeof record);
        return midiStatus::noError;
    }

private:
    static constexpr std::size_t slotCapacity = 1024;
    static constexpr std::size_t outgoingBytes = 32768;
    static constexpr const char* midiThreadName = "brelmo-midi";

    // One message waiting for the process thread. A connection made during a
    // cycle may take effect only at the next one, so a message sent just
    // after wiring the output waits until the cycle after that.
    struct Outgoing {
        std::uint64_t notBeforeCycle = 0;
        std::uint8_t length = 0;
        std::array<std::uint8_t, 3> bytes{};
    };

    struct Slot {
        jack_port_t* port = nullptr; // set before the slot is published
        std::atomic<bool> listening{false};
        std::atomic<std::int32_t> sourceID{0};
        MIDIEndpointRef endpoint = 0; // main thread only
    };

    // One connection to a server; made again when the server comes back.
    struct Link {
        JackMIDIPortSystem* owner = nullptr;
        jack_client_t* client = nullptr;
        std::string ownPrefix; // "<our client's name>:"
        const Receiver* receiver = nullptr;
        std::unique_ptr<Slot[]> slots = std::make_unique<Slot[]>(slotCapacity);
        std::atomic<std::size_t> slotCount{0};
        std::atomic<jack_port_t*> output{nullptr};
        jack_ringbuffer_t* outgoing = nullptr;
        std::atomic<std::uint64_t> cycles{0};
        std::atomic<bool> shutDown{false};
        bool scheduled = false; // process thread only
        bool carrying = false;  // main thread only: the process callback is set
    };

    // What a port is known by between two listings: its server, its uuid and
    // how often a port of that uuid went away. A port that came back under the
    // same uuid thus gets a new endpoint reference.
    using PortKey = std::tuple<std::uint64_t, jack_uuid_t, std::uint64_t>;

    struct Directory {
        std::map<PortKey, MIDIEndpointRef> references;
        std::map<MIDIEndpointRef, std::string> names;
        std::map<MIDIEndpointRef, std::int32_t> uniqueIDs;
        std::map<PortKey, JackPortDetails> details;
        std::map<std::string, jack_uuid_t> uuids;
    };

    // The process thread: every source's port, then what waits to be sent.
    // Takes no lock and allocates nothing.
    static int process(jack_nframes_t frames, void* argument)
    {
        runUncancellable([&] { carry(static_cast<Link*>(argument), frames); });
        return 0;
    }

    static void carry(Link* link, jack_nframes_t frames)
    {
        // The server waits for this client each period as it waits for the
        // audio callback's, so this thread is scheduled as that one is.
        if (!link->scheduled) {
            link->scheduled = true;
            pthread_setname_np(pthread_self(), midiThreadName);
            requestRealtimeScheduling();
        }
        const std::uint64_t arrival = hostTimeNow();
        const std::size_t count = link->slotCount.load(std::memory_order_acquire);
        for (std::size_t i = 0; i < count; ++i) {
            Slot& slot = link->slots[i];
            if (!slot.listening.load(std::memory_order_acquire)) continue;
            void* buffer = jack_port_get_buffer(slot.port, frames);
            const std::int32_t sourceID = slot.sourceID.load(std::memory_order_relaxed);
            const std::uint32_t events = jack_midi_get_event_count(buffer);
            for (std::uint32_t e = 0; e < events; ++e) {
                jack_midi_event_t event;
                if (jack_midi_event_get(&event, buffer, e) != 0 || event.size == 0) continue;
                packMIDI1Bytes(std::span<const std::uint8_t>(event.buffer, event.size), arrival,
                               [&](const UMPEventPacket& packet) { (*link->receiver)(sourceID, packet); });
            }
        }
        if (jack_port_t* output = link->output.load(std::memory_order_acquire)) {
            void* buffer = jack_port_get_buffer(output, frames);
            jack_midi_clear_buffer(buffer);
            const std::uint64_t cycle = link->cycles.load(std::memory_order_relaxed);
            Outgoing record;
            while (jack_ringbuffer_peek(link->outgoing, reinterpret_cast<char*>(&record), sizeof record) == sizeof record &&
                   record.notBeforeCycle <= cycle) {
                jack_ringbuffer_read_advance(link->outgoing, sizeof record);
                // A full buffer drops the message rather than hold up the queue.
                jack_midi_event_write(buffer, 0, record.bytes.data(), record.length);
            }
        }
        link->cycles.fetch_add(1, std::memory_order_release);
    }

    // JACK's notification thread; closing the client waits for these (runUncancellable).
    static void portRegistered(jack_port_id_t id, int registered, void* argument)
    {
        runUncancellable([&] {
            auto* link = static_cast<Link*>(argument);
            jack_port_t* port = jack_port_by_id(link->client, id);
            if (port && jack_port_is_mine(link->client, port)) return;
            if (!registered) {
                std::lock_guard lock(link->owner->generationMutex_);
                if (port) {
                    ++link->owner->departures_[jack_port_uuid(port)];
                    if (const char* name = jack_port_name(port)) link->owner->departedNames_.insert(name);
                } else {
                    // Without the port, no endpoint of this server can be trusted.
                    ++link->owner->epochDepartures_;
                }
            }
            link->owner->notifyChanged();
        });
    }

    static void portRenamed(jack_port_id_t, const char* oldName, const char*, void* argument)
    {
        runUncancellable([&] {
            auto* link = static_cast<Link*>(argument);
            {
                std::lock_guard lock(link->owner->generationMutex_);
                if (oldName) link->owner->departedNames_.insert(oldName);
            }
            link->owner->notifyChanged();
        });
    }

    static void clientRegistered(const char*, int, void* argument)
    {
        runUncancellable([&] { static_cast<Link*>(argument)->owner->notifyChanged(); });
    }

    static void propertyChanged(jack_uuid_t, const char*, jack_property_change_t, void* argument)
    {
        runUncancellable([&] {
            auto* link = static_cast<Link*>(argument);
            link->owner->detailsStale_.store(true);
            link->owner->notifyChanged();
        });
    }

    // Condemns every client of ours, this one included (JackClientRegistry).
    static void serverShutDown(jack_status_t, const char*, void* argument)
    {
        runUncancellable([&] {
            auto* link = static_cast<Link*>(argument);
            JackClientRegistry::serverGone();
            link->shutDown.store(true);
            link->owner->notifyChanged();
        });
    }

    void notifyChanged()
    {
        std::lock_guard lock(watchMutex_);
        if (changed_) changed_();
    }

    bool openClient()
    {
        jack_status_t status{};
        // Closed for us once any client of ours hears that the server is gone.
        jack_client_t* client =
            JackClientRegistry::open(clientName_, JackNoStartServer, &status, [this] { forgetLink(); });
        if (!client) return false;
        auto link = std::make_unique<Link>();
        link->owner = this;
        link->client = client;
        link->ownPrefix = std::string(jack_get_client_name(client)) + ':';
        link->receiver = &receiver_;
        link->outgoing = jack_ringbuffer_create(outgoingBytes);
        Link* raw = link.get();
        const bool ready = link->outgoing && jack_set_port_registration_callback(client, &portRegistered, raw) == 0 &&
                           jack_set_port_rename_callback(client, &portRenamed, raw) == 0 &&
                           jack_set_client_registration_callback(client, &clientRegistered, raw) == 0;
        // Metadata is optional: without it, ports simply show no pretty names.
        jack_set_property_change_callback(client, &propertyChanged, raw);
        jack_on_info_shutdown(client, &serverShutDown, raw);
        if (!ready || jack_activate(client) != 0) {
            JackClientRegistry::close(client);
            if (link->outgoing) jack_ringbuffer_free(link->outgoing);
            return false;
        }
        link_ = std::move(link);
        ++epoch_;
        sources_ = {};
        destinations_ = {};
        openedDestination_ = 0;
        wiredAtCycle_ = 0;
        if (!outputPortName_.empty()) registerOutput(*link_);
        return true;
    }

    // Makes the client one the server waits for each period. The callback
    // can be set only on an inactive client, and deactivating cuts its ports'
    // connections: ours are all made after this, and those another program made
    // to the output port are made again.
    bool carryTraffic(Link& link)
    {
        if (link.carrying) return true;
        std::vector<std::string> wired;
        if (jack_port_t* output = link.output.load()) {
            if (const char** names = jack_port_get_connections(output)) {
                for (std::size_t i = 0; names[i]; ++i) wired.emplace_back(names[i]);
                jack_free(names);
            }
        }
        jack_deactivate(link.client);
        link.carrying = jack_set_process_callback(link.client, &process, &link) == 0;
        if (jack_activate(link.client) != 0) {
            link.shutDown.store(true); // as good as gone: the next listing opens a client anew
            return false;
        }
        if (jack_port_t* output = link.output.load())
            for (const std::string& name : wired) jack_connect(link.client, jack_port_name(output), name.c_str());
        // What came and went while it was inactive was not announced to it.
        notifyChanged();
        return link.carrying;
    }

    void closeClient()
    {
        if (!link_) return;
        // Stops the process and notification threads before their state goes.
        JackClientRegistry::close(link_->client);
        forgetLink();
    }

    void forgetLink()
    {
        if (!link_) return;
        jack_ringbuffer_free(link_->outgoing);
        link_.reset();
    }

    // A server that went away is left, and the next listing tries to reach
    // one again; until then nothing is listed.
    bool usableLink()
    {
        JackClientRegistry::closeIfServerGone();
        if (link_ && link_->shutDown.load()) closeClient();
        if (!link_ && !clientName_.empty()) openClient();
        return link_ != nullptr;
    }

    bool registerOutput(Link& link)
    {
        jack_port_t* port =
            jack_port_register(link.client, outputPortName_.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        link.output.store(port, std::memory_order_release);
        return port != nullptr;
    }

    Slot* freeSlot(Link& link)
    {
        const std::size_t count = link.slotCount.load();
        for (std::size_t i = 0; i < count; ++i)
            if (link.slots[i].endpoint == 0 && !link.slots[i].listening.load()) return &link.slots[i];
        if (count == slotCapacity) return nullptr;
        const std::string name = count == 0 ? inputPortName_ : inputPortName_ + ' ' + std::to_string(count + 1);
        jack_port_t* port =
            jack_port_register(link.client, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (!port) return nullptr;
        link.slots[count].port = port;
        link.slotCount.store(count + 1, std::memory_order_release);
        return &link.slots[count];
    }

    // Messages still queued for the old destination reach it before the
    // output is wired to the new one.
    MIDIStatus openDestination(const std::string& name)
    {
        Link& link = *link_;
        if (openedDestination_) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
            while (jack_ringbuffer_read_space(link.outgoing) > 0 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            const std::uint64_t drained = link.cycles.load();
            while (link.cycles.load() == drained && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        openedDestination_ = 0;
        if (!carryTraffic(link)) return midiStatus::portFailure;
        jack_port_t* output = link.output.load();
        jack_port_disconnect(link.client, output);
        if (jack_connect(link.client, jack_port_name(output), name.c_str()) != 0) {
            return jack_port_by_name(link.client, name.c_str()) ? midiStatus::portFailure
                                                               : midiStatus::endpointNotFound;
        }
        wiredAtCycle_ = link.cycles.load();
        return midiStatus::noError;
    }

    std::optional<std::string> property(jack_uuid_t uuid, const char* key)
    {
        char* value = nullptr;
        char* type = nullptr;
        if (jack_get_property(uuid, key, &value, &type) != 0 || !value) return std::nullopt;
        std::string text(value);
        jack_free(value);
        if (type) jack_free(type);
        return text;
    }

    JackPortDetails detailsOf(jack_port_t* port, jack_uuid_t uuid, const std::string& name)
    {
        const int size = jack_port_name_size();
        std::string first(static_cast<std::size_t>(size), '\0');
        std::string second(static_cast<std::size_t>(size), '\0');
        char* aliases[2] = {first.data(), second.data()};
        const int count = jack_port_get_aliases(port, aliases);
        first.resize(count >= 1 ? std::char_traits<char>::length(first.c_str()) : 0);
        second.resize(count >= 2 ? std::char_traits<char>::length(second.c_str()) : 0);
        return jackPortDetails(property(uuid, prettyNameKey), property(uuid, hardwareKey),
                               first, second, name.substr(0, name.find(':')));
    }

    std::vector<MIDIEndpointProperties> list(unsigned long flags, const std::string& direction, Directory& directory)
    {
        std::vector<MIDIEndpointProperties> listed;
        const char** names = jack_get_ports(link_->client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
        std::map<jack_uuid_t, std::uint64_t> departures;
        std::uint64_t epochDepartures = 0;
        {
            std::lock_guard lock(generationMutex_);
            departures = departures_;
            epochDepartures = epochDepartures_;
            for (const std::string& departed : departedNames_) {
                sources_.uuids.erase(departed);
                destinations_.uuids.erase(departed);
            }
            departedNames_.clear();
            if (epochDepartures != listedEpochDepartures_) {
                sources_.uuids.clear();
                destinations_.uuids.clear();
            }
            listedEpochDepartures_ = epochDepartures;
        }
        if (detailsStale_.exchange(false)) {
            sources_.details.clear();
            destinations_.details.clear();
        }
        Directory next;
        for (std::size_t i = 0; names && names[i]; ++i) {
            const std::string name = names[i];
            if (name.starts_with(link_->ownPrefix) || name.starts_with(clientName_)) continue;
            // Looking a port up by name searches every port; a port keeps its
            // uuid until it departs, which the notifications say.
            jack_port_t* port = nullptr;
            auto uuid = directory.uuids.find(name);
            if (uuid == directory.uuids.end()) {
                port = jack_port_by_name(link_->client, names[i]);
                if (!port) continue; // gone since listed
                uuid = directory.uuids.emplace(name, jack_port_uuid(port)).first;
            }
            const auto departed = departures.find(uuid->second);
            const PortKey key{epoch_ * 1'000'003 + epochDepartures, uuid->second,
                              departed == departures.end() ? 0 : departed->second};

            MIDIEndpointProperties properties;
            const auto known = directory.references.find(key);
            properties.endpoint = known != directory.references.end() ? known->second : nextReference_++;
            properties.uniqueID = midiEndpointUniqueID("jack\x1f" + direction + '\x1f' + name);
            properties.displayName = name;
            properties.name = name;
            const auto cached = directory.details.find(key);
            if (cached == directory.details.end() && !port) port = jack_port_by_name(link_->client, names[i]);
            if (cached == directory.details.end() && !port) continue;
            const JackPortDetails details =
                cached != directory.details.end() ? cached->second : detailsOf(port, uuid->second, name);
            properties.manufacturer = details.manufacturer;
            properties.model = details.model;
            properties.offline = 0;
            next.references[key] = properties.endpoint;
            next.names[properties.endpoint] = name;
            next.uniqueIDs[properties.endpoint] = *properties.uniqueID;
            next.details[key] = details;
            next.uuids[name] = uuid->second;
            listed.push_back(std::move(properties));
        }
        if (names) jack_free(names);
        directory = std::move(next);
        return listed;
    }

    std::string clientName_;
    std::string inputPortName_;
    std::string outputPortName_;
    Receiver receiver_;
    std::mutex watchMutex_;
    ChangeHandler changed_;
    std::mutex generationMutex_;
    std::map<jack_uuid_t, std::uint64_t> departures_;
    std::uint64_t epochDepartures_ = 0;
    std::set<std::string> departedNames_;
    // Main thread only.
    std::uint64_t listedEpochDepartures_ = 0;
    std::atomic<bool> detailsStale_{false};
    std::uint64_t epoch_ = 0;
    Directory sources_;
    Directory destinations_;
    MIDIEndpointRef openedDestination_ = 0;
    std::uint64_t wiredAtCycle_ = 0;
    MIDIEndpointRef nextReference_ = 1;
    std::unique_ptr<Link> link_; // last: closed first, stopping JACK's threads
};

} // namespace

std::unique_ptr<MIDIPortSystem> makeJackMIDIPortSystem() { return std::make_unique<JackMIDIPortSystem>(); }

} // namespace corvane
