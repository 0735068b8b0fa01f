#include "CorvaneAudio/midi/MIDIPortSystem.hpp"

#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/ALSAAnnounceWatcher.hpp"
#include "CorvaneAudio/midi/MIDIEndpointIdentity.hpp"
#include "CorvaneAudio/midi/UMPConversion.hpp"

#include <rtmidi/RtMidi.h>

#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <regex>
#include <unistd.h>

namespace corvane {

bool alsaSequencerAvailable() { return ::access("/dev/snd/seq", R_OK | W_OK) == 0; }

namespace {

// RtMidi reports failures through a callback (or throws when none is set);
// this keeps the worst report of the last call so that it can be read
// afterwards. Atomic because RtMidi's input threads may report too.
struct ErrorRecord {
    std::atomic<int> type{-1};

    void reset() { type.store(-1); }
    // Warnings (a port list that changed under us) are not failures.
    bool failed() const
    {
        const int t = type.load();
        return t >= 0 && t != RtMidiError::WARNING && t != RtMidiError::DEBUG_WARNING;
    }
    bool reported() const { return type.load() >= 0; }

    static void callback(RtMidiError::Type type, const std::string&, void* userData)
    {
        auto* record = static_cast<ErrorRecord*>(userData);
        if (type > record->type.load()) record->type.store(type);
    }
};

MIDIStatus statusOf(int type, MIDIStatus fallback)
{
    switch (type) {
    case RtMidiError::NO_DEVICES_FOUND:
    case RtMidiError::INVALID_DEVICE:
    case RtMidiError::INVALID_PARAMETER:
        return midiStatus::endpointNotFound;
    case RtMidiError::INVALID_USE:
        return midiStatus::invalidUse;
    default:
        return fallback;
    }
}

// ALSA sequencer ports through RtMidi, one RtMidi client per connected
// source (ALSA, unlike JACK, does not wait for clients), with an announce
// watcher of our own for notifications, port identity and card names.
class RtMidiPortSystem final : public MIDIPortSystem {
public:
    ~RtMidiPortSystem() override
    {
        // No more notifications; then the output, then the input connections
        // (closing them waits for their receive threads), then the client.
        watcher_.reset();
        output_.reset();
        connections_.clear();
        lister_.reset();
    }

    MIDIStatus createClient(const std::string& name) override
    {
        // Opening a missing sequencer makes alsa-lib print errors; don't try.
        if (!alsaSequencerAvailable()) return midiStatus::driverUnavailable;
        clientName_ = name;
        try {
            lister_ = std::make_unique<RtMidiIn>(rtApi_, name, 1);
        } catch (const RtMidiError& error) {
            return statusOf(error.getType(), midiStatus::driverUnavailable);
        }
        lister_->setErrorCallback(&ErrorRecord::callback, &listerErrors_);
        // Without it the monitor's poll still finds changes, only later.
        watcher_ = ALSAAnnounceWatcher::open(name, [this] { notifyChanged(); });
        return midiStatus::noError;
    }

    void watch(ChangeHandler changed) override
    {
        std::lock_guard lock(watchMutex_);
        changed_ = std::move(changed);
    }

    MIDIStatus createInputPort(const std::string& name, Receiver receiver) override
    {
        if (!lister_) return midiStatus::invalidUse;
        inputPortName_ = name;
        receiver_ = std::move(receiver);
        return midiStatus::noError;
    }

    MIDIStatus createOutputPort(const std::string& name) override
    {
        if (!lister_) return midiStatus::invalidUse;
        outputPortName_ = name;
        try {
            output_ = std::make_unique<RtMidiOut>(rtApi_, clientName_);
        } catch (const RtMidiError& error) {
            return statusOf(error.getType(), midiStatus::portFailure);
        }
        output_->setErrorCallback(&ErrorRecord::callback, &outputErrors_);
        return midiStatus::noError;
    }

    std::vector<MIDIEndpointProperties> sources() override
    {
        if (!lister_) return {};
        auto listed = list(*lister_, listerErrors_, "source", sourceNames_, sourceReferences_);
        sourceIDs_.clear();
        for (const auto& properties : listed) sourceIDs_[properties.endpoint] = *properties.uniqueID;
        return listed;
    }

    std::vector<MIDIEndpointProperties> destinations() override
    {
        if (!output_) return {};
        auto listed = list(*output_, outputErrors_, "destination", destinationNames_, destinationReferences_);
        // A destination that went away took our connection with it; reopen on
        // the next send in case it comes back.
        if (openedDestination_) {
            bool present = false;
            for (const auto& properties : listed) present = present || properties.endpoint == openedDestination_;
            if (!present) closeOutput();
        }
        return listed;
    }

    MIDIStatus connectSource(MIDIEndpointRef source) override
    {
        if (!lister_ || !receiver_) return midiStatus::invalidUse;
        if (connections_.contains(source)) return midiStatus::noError;
        const auto name = sourceNames_.find(source);
        if (name == sourceNames_.end()) return midiStatus::endpointNotFound;
        const auto index = indexOf(*lister_, name->second);
        if (!index) return midiStatus::endpointNotFound;

        auto connection = std::make_unique<Connection>();
        connection->sourceID = sourceIDs_[source];
        connection->receiver = &receiver_;
        try {
            connection->input = std::make_unique<RtMidiIn>(rtApi_, clientName_, 1);
        } catch (const RtMidiError& error) {
            return statusOf(error.getType(), midiStatus::portFailure);
        }
        connection->input->setErrorCallback(&ErrorRecord::callback, &connection->errors);
        // System exclusive data is of no use here and could grow without bound.
        connection->input->ignoreTypes(true, true, true);
        connection->input->setCallback(&RtMidiPortSystem::received, connection.get());
        connection->input->openPort(*index, inputPortName_);
        if (connection->errors.failed() || !connection->input->isPortOpen())
            return statusOf(connection->errors.type.load(), midiStatus::portFailure);
        connections_.emplace(source, std::move(connection));
        return midiStatus::noError;
    }

    MIDIStatus disconnectSource(MIDIEndpointRef source) override
    {
        return connections_.erase(source) > 0 ? midiStatus::noError : midiStatus::endpointNotFound;
    }

    MIDIStatus send(MIDIEndpointRef destination, std::uint32_t word) override
    {
        if (!output_) return midiStatus::invalidUse;
        std::array<std::uint8_t, 3> bytes{};
        const std::size_t length = midi1BytesOfWord(word, bytes);
        if (length == 0) return midiStatus::invalidMessage;
        const auto name = destinationNames_.find(destination);
        if (name == destinationNames_.end()) return midiStatus::endpointNotFound;
        if (openedDestination_ != destination) {
            closeOutput();
            const auto index = indexOf(*output_, name->second);
            if (!index) return midiStatus::endpointNotFound;
            outputErrors_.reset();
            output_->openPort(*index, outputPortName_);
            if (outputErrors_.failed() || !output_->isPortOpen())
                return statusOf(outputErrors_.type.load(), midiStatus::portFailure);
            openedDestination_ = destination;
        }
        outputErrors_.reset();
        output_->sendMessage(bytes.data(), length);
        if (outputErrors_.failed()) return statusOf(outputErrors_.type.load(), midiStatus::sendFailed);
        return midiStatus::noError;
    }

private:
    struct Connection {
        std::int32_t sourceID = 0;
        const Receiver* receiver = nullptr;
        ErrorRecord errors;
        std::unique_ptr<RtMidiIn> input; // last: destroyed first, stopping the callbacks
    };

    // RtMidi's receive thread (the JACK process thread or the ALSA input thread).
    static void received(double, std::vector<unsigned char>* message, void* userData)
    {
        if (!message || message->empty()) return;
        const auto* connection = static_cast<const Connection*>(userData);
        const std::uint64_t arrival = hostTimeNow();
        packMIDI1Bytes(std::span<const std::uint8_t>(message->data(), message->size()), arrival,
                       [connection](const UMPEventPacket& packet) { (*connection->receiver)(connection->sourceID, packet); });
    }

    void notifyChanged()
    {
        std::lock_guard lock(watchMutex_);
        if (changed_) changed_();
    }

    // RtMidi appends the changing "client:port" numbers to ALSA port names.
    static std::string stableName(const std::string& portName)
    {
        static const std::regex address(R"( \d+:\d+$)");
        return std::regex_replace(portName, address, "");
    }

    static std::optional<std::pair<int, int>> addressOf(const std::string& portName)
    {
        static const std::regex address(R"( (\d+):(\d+)$)");
        std::smatch match;
        if (!std::regex_search(portName, match, address)) return std::nullopt;
        return std::pair{std::stoi(match[1].str()), std::stoi(match[2].str())};
    }

    bool isOwnPort(const std::string& portName) const
    {
        return portName.compare(0, clientName_.size(), clientName_) == 0;
    }

    std::vector<MIDIEndpointProperties> list(RtMidi& lister, ErrorRecord& errors, const std::string& direction,
                                             std::map<MIDIEndpointRef, std::string>& names,
                                             std::map<std::string, MIDIEndpointRef>& references)
    {
        std::vector<MIDIEndpointProperties> listed;
        std::map<std::string, int> occurrences;
        std::map<std::string, MIDIEndpointRef> listedReferences;
        names.clear();
        errors.reset();
        const unsigned int count = lister.getPortCount();
        for (unsigned int i = 0; i < count; ++i) {
            const std::string portName = lister.getPortName(i);
            if (portName.empty() || isOwnPort(portName)) continue; // empty: gone since counting
            const std::string stable = stableName(portName);
            const int occurrence = ++occurrences[stable];
            // Two devices of the same make share a name; tell them apart by
            // their order rather than by numbers that change between sessions.
            std::string identity = "alsa\x1f" + direction + '\x1f' + stable;
            if (occurrence > 1) identity += '\x1f' + std::to_string(occurrence);

            // The same address after an announced exit is another port.
            std::string key = portName;
            const auto address = addressOf(portName);
            if (watcher_ && address) key += '\x1f' + std::to_string(watcher_->generation(address->first, address->second));

            MIDIEndpointProperties properties;
            const auto known = references.find(key);
            properties.endpoint = known != references.end() ? known->second : nextReference_++;
            listedReferences[key] = properties.endpoint;
            properties.uniqueID = midiEndpointUniqueID(identity);
            if (!stable.empty()) properties.displayName = stable;
            properties.name = portName;
            if (watcher_ && address) {
                const ALSACardDetails card = watcher_->cardDetails(address->first);
                properties.manufacturer = card.manufacturer;
                properties.model = card.model;
            }
            properties.offline = 0;
            names[properties.endpoint] = portName;
            listed.push_back(std::move(properties));
        }
        references = std::move(listedReferences);
        return listed;
    }

    // Port numbers shift as ports come and go: look the name up right before opening.
    static std::optional<unsigned int> indexOf(RtMidi& lister, const std::string& portName)
    {
        const unsigned int count = lister.getPortCount();
        for (unsigned int i = 0; i < count; ++i)
            if (lister.getPortName(i) == portName) return i;
        return std::nullopt;
    }

    void closeOutput()
    {
        if (output_ && output_->isPortOpen()) output_->closePort();
        openedDestination_.reset();
    }

    RtMidi::Api rtApi_ = RtMidi::LINUX_ALSA;
    std::string clientName_;
    std::string inputPortName_;
    std::string outputPortName_;
    Receiver receiver_;
    ErrorRecord listerErrors_;
    ErrorRecord outputErrors_;
    std::unique_ptr<RtMidiIn> lister_;
    std::unique_ptr<RtMidiOut> output_;
    std::optional<MIDIEndpointRef> openedDestination_;
    std::map<MIDIEndpointRef, std::unique_ptr<Connection>> connections_;
    std::map<std::string, MIDIEndpointRef> sourceReferences_;
    std::map<std::string, MIDIEndpointRef> destinationReferences_;
    std::map<MIDIEndpointRef, std::string> sourceNames_;
    std::map<MIDIEndpointRef, std::string> destinationNames_;
    std::map<MIDIEndpointRef, std::int32_t> sourceIDs_;
    MIDIEndpointRef nextReference_ = 1;
    std::mutex watchMutex_;
    ChangeHandler changed_;
    std::unique_ptr<ALSAAnnounceWatcher> watcher_; // last: stopped first
};

} // namespace

std::unique_ptr<MIDIPortSystem> makeALSAMIDIPortSystem() { return std::make_unique<RtMidiPortSystem>(); }

std::unique_ptr<MIDIPortSystem> makeMIDIPortSystem(MIDIApi api)
{
    return api == MIDIApi::jack ? makeJackMIDIPortSystem() : makeALSAMIDIPortSystem();
}

} // namespace corvane
