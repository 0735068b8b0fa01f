#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"

#include "CorvaneAudio/midi/MIDI1UMPNoteParser.hpp"
#include "CorvaneAudio/midi/MIDIEndpointDiscovery.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

#include <cmath>

namespace corvane {

namespace {

template <class Entry> const Entry* firstWithID(const std::vector<Entry>& entries, std::int32_t id)
{
    for (const Entry& entry : entries)
        if (entry.id == id) return &entry;
    return nullptr;
}

} // namespace

MIDIDeviceMonitor::MIDIDeviceMonitor(DefaultsStore& defaults, std::optional<MIDIApi> api, QObject* parent)
    : MIDIDeviceMonitor(defaults, PreparedMIDIPortSystem::prepare(api), parent)
{
}

MIDIDeviceMonitor::MIDIDeviceMonitor(DefaultsStore& defaults, PreparedMIDIPortSystem prepared, QObject* parent)
    : QObject(parent), defaults_(defaults)
{
    selectedInputID_ = storedUniqueID(selectedInputPreferenceKey);
    selectedOutputID_ = storedUniqueID(selectedOutputPreferenceKey);
    open(std::move(prepared));
}

MIDIDeviceMonitor::MIDIDeviceMonitor(DefaultsStore& defaults, std::unique_ptr<MIDIPortSystem> system, QObject* parent)
    : QObject(parent), defaults_(defaults)
{
    selectedInputID_ = storedUniqueID(selectedInputPreferenceKey);
    selectedOutputID_ = storedUniqueID(selectedOutputPreferenceKey);
    open(PreparedMIDIPortSystem::made(std::move(system)));
}

MIDIDeviceMonitor::~MIDIDeviceMonitor()
{
    pollTimer_.stop();
    // Closes the ports and waits for the receive and notification threads, so
    // none of them can push events once the queue is gone or ask for a refresh
    // of a monitor that is gone; events still queued die with it, and a
    // refresh already posted dies with this object.
    system_.reset();
    receivedEventsNotifier_.reset();
}

void MIDIDeviceMonitor::open(PreparedMIDIPortSystem prepared)
{
    using Error = MIDIDeviceMonitorError;
    auto system = std::move(prepared.system);
    // Without its wake descriptor nothing received could reach the main thread.
    if (!receivedEvents_.isValid()) throw Error(Error::ClientCreationFailed{midiStatus::driverUnavailable});
    const MIDIStatus inputStatus = system->createInputPort(
        inputPortName, [this](std::int32_t sourceID, const UMPEventPacket& packet) { receive(sourceID, packet); });
    if (inputStatus != midiStatus::noError) throw Error(Error::InputPortCreationFailed{inputStatus});
    system->watch([this] { requestRefresh(); });
    system_ = std::move(system);
    receivedEventsNotifier_ =
        std::make_unique<QSocketNotifier>(receivedEvents_.wakeDescriptor(), QSocketNotifier::Read);
    connect(receivedEventsNotifier_.get(), &QSocketNotifier::activated, this,
            &MIDIDeviceMonitor::deliverReceivedEvents);
    refresh();
    startPolling();
}

void MIDIDeviceMonitor::startPolling()
{
    pollTimer_.setInterval(pollIntervalMilliseconds);
    connect(&pollTimer_, &QTimer::timeout, this, &MIDIDeviceMonitor::poll);
    pollTimer_.start();
}

void MIDIDeviceMonitor::poll()
{
    if (!system_) return;
    auto discoveredSources = inputSources(system_->sources());
    auto discoveredDestinations = outputDestinations(system_->destinations());
    // Failed connections are retried on every refresh until they succeed.
    if (discoveredSources != sources_ || discoveredDestinations != destinations_ || !connectionErrors_.empty())
        refresh(std::move(discoveredSources), std::move(discoveredDestinations));
}

void MIDIDeviceMonitor::requestRefresh()
{
    // However many notifications arrive before the main thread gets to it,
    // one refresh sees them all.
    if (refreshRequested_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshRequested_.store(false);
            refresh();
        },
        Qt::QueuedConnection);
}

void MIDIDeviceMonitor::refresh()
{
    if (!system_) return;
    refresh(inputSources(system_->sources()), outputDestinations(system_->destinations()));
}

void MIDIDeviceMonitor::refresh(std::vector<MIDIInputSource> discoveredSources,
                                std::vector<MIDIOutputDestination> discoveredDestinations)
{
    const bool usedInternalOutput = usesInternalOutput();
    bool routingChanged = false;

    std::vector<const MIDIInputSource*> wanted;
    std::set<MIDIEndpointRef> wantedEndpoints;
    for (const MIDIInputSource& source : discoveredSources) {
        if (source.isOffline) continue;
        if (selectedInputID_ && source.id != *selectedInputID_) continue;
        wanted.push_back(&source);
        wantedEndpoints.insert(source.endpoint);
    }

    for (auto it = connectedEndpoints_.begin(); it != connectedEndpoints_.end();) {
        if (wantedEndpoints.contains(*it)) {
            ++it;
            continue;
        }
        system_->disconnectSource(*it);
        it = connectedEndpoints_.erase(it);
        routingChanged = true;
    }

    std::map<std::int32_t, MIDIStatus> errors;
    int attempts = 0;
    for (const MIDIInputSource* source : wanted) {
        if (connectedEndpoints_.contains(source->endpoint)) continue;
        // Each connection waits for the MIDI system; with hundreds of new
        // sources the rest are left to the next turn of the event loop.
        if (attempts++ == maximumConnectionsPerRefresh) {
            requestRefresh();
            break;
        }
        const MIDIStatus status = system_->connectSource(source->endpoint);
        if (status == midiStatus::noError) {
            connectedEndpoints_.insert(source->endpoint);
            routingChanged = true;
        } else {
            errors[source->id] = status;
        }
    }

    setConnectionErrors(std::move(errors));
    setSources(std::move(discoveredSources));
    setDestinations(std::move(discoveredDestinations));
    persistAvailableDeviceNames();
    if (selectedOutputID_ && !onlineSelectedDestination()) setOutputError(std::nullopt);
    if (usesInternalOutput() != usedInternalOutput && onOutputSelectionChanged) onOutputSelectionChanged();
    if (routingChanged && onInputRoutingChanged) onInputRoutingChanged();
}

void MIDIDeviceMonitor::persistAvailableDeviceNames()
{
    if (selectedInputID_) {
        if (const auto* source = firstWithID(sources_, *selectedInputID_))
            defaults_.setString(selectedInputNameKey, source->displayName);
    }
    if (selectedOutputID_) {
        if (const auto* destination = firstWithID(destinations_, *selectedOutputID_))
            defaults_.setString(selectedOutputNameKey, destination->displayName);
    }
}

std::optional<std::int32_t> MIDIDeviceMonitor::storedUniqueID(const std::string& key) const
{
    // Ids are 32-bit; a wider stored number keeps its low 32 bits.
    if (const auto integer = defaults_.integerValue(key))
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(*integer));
    if (const auto number = defaults_.doubleValue(key)) {
        if (!std::isfinite(*number) || std::fabs(*number) >= 9.2e18) return std::nullopt;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(*number)));
    }
    return std::nullopt;
}

bool MIDIDeviceMonitor::usesInternalOutput() const { return onlineSelectedDestination() == nullptr; }

const MIDIOutputDestination* MIDIDeviceMonitor::onlineSelectedDestination() const
{
    if (!selectedOutputID_) return nullptr;
    for (const MIDIOutputDestination& destination : destinations_)
        if (destination.id == *selectedOutputID_ && !destination.isOffline) return &destination;
    return nullptr;
}

std::optional<std::string> MIDIDeviceMonitor::selectedInputDisplayName() const
{
    if (!selectedInputID_) return std::nullopt;
    if (const auto* source = firstWithID(sources_, *selectedInputID_)) return source->displayName;
    return defaults_.stringValue(selectedInputNameKey);
}

std::optional<std::string> MIDIDeviceMonitor::selectedOutputDisplayName() const
{
    if (!selectedOutputID_) return std::nullopt;
    if (const auto* destination = onlineSelectedDestination()) return destination->displayName;
    return defaults_.stringValue(selectedOutputNameKey);
}

void MIDIDeviceMonitor::selectInput(std::optional<std::int32_t> uniqueID)
{
    setSelectedInputID(uniqueID);
    if (!uniqueID) {
        defaults_.remove(selectedInputPreferenceKey);
        defaults_.remove(selectedInputNameKey);
    } else {
        defaults_.setInteger(selectedInputPreferenceKey, *uniqueID);
        if (const auto* source = firstWithID(sources_, *uniqueID))
            defaults_.setString(selectedInputNameKey, source->displayName);
    }
    refresh();
}

void MIDIDeviceMonitor::selectOutput(std::optional<std::int32_t> uniqueID)
{
    if (uniqueID == selectedOutputID_) return;
    // Leave nothing hanging on the instrument we stop playing to.
    if (!usesInternalOutput()) sendSilencingMessages();
    setSelectedOutputID(uniqueID);
    setOutputError(std::nullopt);
    if (!uniqueID) {
        defaults_.remove(selectedOutputPreferenceKey);
        defaults_.remove(selectedOutputNameKey);
    } else {
        defaults_.setInteger(selectedOutputPreferenceKey, *uniqueID);
        if (const auto* destination = firstWithID(destinations_, *uniqueID))
            defaults_.setString(selectedOutputNameKey, destination->displayName);
    }
    refresh();
    if (onOutputSelectionChanged) onOutputSelectionChanged();
}

// Receive thread, possibly JACK's real-time one: parse and queue without
// allocating or locking, then wake the main thread.
void MIDIDeviceMonitor::receive(std::int32_t sourceID, const UMPEventPacket& packet)
{
    bool queued = false;
    bool full = false;
    MIDI1UMPNoteParser::forEachEvent(packet, sourceID, [&](const MIDIInputEvent& event) {
        // Once one is dropped, drop the rest of the packet too rather than
        // deliver it with a hole in the middle.
        if (full) return;
        if (receivedEvents_.push(event)) {
            queued = true;
        } else {
            full = true;
        }
    });
    if (queued) receivedEvents_.wakeConsumer();
}

void MIDIDeviceMonitor::deliverReceivedEvents()
{
    receivedEvents_.acknowledgeWake();
    // At most one queue's worth per wake, so that a flood cannot hold the
    // main thread; anything pushed meanwhile has woken it again.
    for (int i = 0; i < maximumPendingEvents; ++i) {
        const std::optional<MIDIInputEvent> event = receivedEvents_.pop();
        if (!event) return;
        deliver(*event);
    }
}

void MIDIDeviceMonitor::deliver(const MIDIInputEvent& event)
{
    // Read per event: a change of input drops what is still on its way.
    if (selectedInputID_ && *selectedInputID_ != event.sourceID) return;
    if (onEvent) onEvent(event);
}

void MIDIDeviceMonitor::setSources(std::vector<MIDIInputSource> sources)
{
    if (sources == sources_) return;
    sources_ = std::move(sources);
    emit sourcesChanged();
}

void MIDIDeviceMonitor::setDestinations(std::vector<MIDIOutputDestination> destinations)
{
    if (destinations == destinations_) return;
    destinations_ = std::move(destinations);
    emit destinationsChanged();
}

void MIDIDeviceMonitor::setConnectionErrors(std::map<std::int32_t, MIDIStatus> errors)
{
    if (errors == connectionErrors_) return;
    connectionErrors_ = std::move(errors);
    emit connectionErrorsChanged();
}

void MIDIDeviceMonitor::setOutputError(std::optional<MIDIStatus> error)
{
    if (error == outputError_) return;
    outputError_ = error;
    emit outputErrorChanged();
}

void MIDIDeviceMonitor::setSelectedInputID(std::optional<std::int32_t> id)
{
    if (id == selectedInputID_) return;
    selectedInputID_ = id;
    emit selectedInputIDChanged();
}

void MIDIDeviceMonitor::setSelectedOutputID(std::optional<std::int32_t> id)
{
    if (id == selectedOutputID_) return;
    selectedOutputID_ = id;
    emit selectedOutputIDChanged();
}

} // namespace corvane
