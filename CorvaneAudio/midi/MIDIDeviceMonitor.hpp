#pragma once

#include "CorvaneAudio/midi/MIDIDeviceMonitorError.hpp"
#include "CorvaneAudio/midi/MIDIEndpoint.hpp"
#include "CorvaneAudio/midi/MIDIInputEvent.hpp"
#include "CorvaneAudio/midi/MIDIInputEventQueue.hpp"
#include "CorvaneAudio/midi/MIDIPortSystem.hpp"
#include "CorvaneAudio/midi/PreparedMIDIPortSystem.hpp"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace corvane {

class DefaultsStore;

// The application's one MIDI client: lists sources and destinations, connects
// the chosen source (or every online one) to its input port, delivers what is
// played as MIDIInputEvent values on the main thread, sends channel messages
// to the chosen destination, and remembers both choices in the defaults.
//
// Main thread only. Every change the MIDI system announces refreshes the
// lists at the next turn of the event loop; a poll once a second stays as a
// fallback for a system that lost its notifications (a JACK server that went
// away and is reached again). A port that came back under the same name has a
// new endpoint: its dead connection is dropped and the new port connected.
class MIDIDeviceMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr const char* selectedInputPreferenceKey = "midi.selectedInputUniqueID";
    static constexpr const char* selectedOutputPreferenceKey = "midi.selectedOutputUniqueID";
    static constexpr const char* selectedInputNameKey = "midi.selectedInputName";
    static constexpr const char* selectedOutputNameKey = "midi.selectedOutputName";
    static constexpr const char* clientName = "Brelmo MIDI Device Monitor";
    static constexpr const char* inputPortName = "Brelmo MIDI Input";
    static constexpr const char* outputPortName = "Brelmo MIDI Output";
    static constexpr int pollIntervalMilliseconds = 1000;
    // New connections made by one refresh; more wait for the next turn of
    // the event loop, so that the window stays responsive.
    static constexpr int maximumConnectionsPerRefresh = 8;
    // Events waiting for the main thread beyond this are dropped, so that a
    // flooding device or a stalled main thread cannot grow memory without end.
    static constexpr int maximumPendingEvents = 4096;

    // Without an API, the ALSA sequencer is used where it exists, else JACK.
    // Throws MIDIDeviceMonitorError when the MIDI system cannot be used.
    explicit MIDIDeviceMonitor(DefaultsStore& defaults, std::optional<MIDIApi> api = std::nullopt,
                               QObject* parent = nullptr);
    // On a system prepared beforehand, perhaps on another thread.
    MIDIDeviceMonitor(DefaultsStore& defaults, PreparedMIDIPortSystem prepared, QObject* parent = nullptr);
    // On a MIDI system of the caller's choosing, its client not yet made.
    MIDIDeviceMonitor(DefaultsStore& defaults, std::unique_ptr<MIDIPortSystem> system, QObject* parent = nullptr);
    ~MIDIDeviceMonitor() override;

    MIDIDeviceMonitor(const MIDIDeviceMonitor&) = delete;
    MIDIDeviceMonitor& operator=(const MIDIDeviceMonitor&) = delete;

    const std::vector<MIDIInputSource>& sources() const { return sources_; }
    const std::vector<MIDIOutputDestination>& destinations() const { return destinations_; }
    // Source id to the status of its failed connection in the last refresh.
    const std::map<std::int32_t, MIDIStatus>& connectionErrors() const { return connectionErrors_; }
    // Status of the last failed send.
    std::optional<MIDIStatus> outputError() const { return outputError_; }
    // Absent: every online source.
    std::optional<std::int32_t> selectedInputID() const { return selectedInputID_; }
    // Absent: the internal instrument.
    std::optional<std::int32_t> selectedOutputID() const { return selectedOutputID_; }

    // True unless an online destination is chosen.
    bool usesInternalOutput() const;
    std::optional<std::string> selectedInputDisplayName() const;
    std::optional<std::string> selectedOutputDisplayName() const;

    void refresh();
    void selectInput(std::optional<std::int32_t> uniqueID);
    void selectOutput(std::optional<std::int32_t> uniqueID);

    // Single MIDI 1.0 channel voice messages to the chosen destination; true
    // when handed to the MIDI system without error. Only the low four bits of
    // a channel count.
    bool sendNoteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel);
    bool sendNoteOff(std::uint8_t note, std::uint8_t channel);
    bool sendControlChange(std::uint8_t controller, std::uint8_t value, std::uint8_t channel);
    bool sendProgramChange(std::uint8_t program, std::uint8_t channel);
    bool sendPitchBend(std::uint16_t value, std::uint8_t channel);
    // Sustain off and all notes off on every channel of an external output.
    bool sendAllNotesOff();

    // Set by the practice controller; called on the main thread.
    std::function<void(const MIDIInputEvent&)> onEvent;
    std::function<void()> onOutputSelectionChanged;
    std::function<void()> onInputRoutingChanged;

signals:
    void sourcesChanged();
    void destinationsChanged();
    void connectionErrorsChanged();
    void outputErrorChanged();
    void selectedInputIDChanged();
    void selectedOutputIDChanged();

private:
    void open(PreparedMIDIPortSystem prepared);
    void startPolling();
    // Any thread.
    void requestRefresh();
    void poll();
    void refresh(std::vector<MIDIInputSource> discoveredSources,
                 std::vector<MIDIOutputDestination> discoveredDestinations);
    void persistAvailableDeviceNames();
    std::optional<std::int32_t> storedUniqueID(const std::string& key) const;
    void receive(std::int32_t sourceID, const UMPEventPacket& packet);
    void deliverReceivedEvents();
    void deliver(const MIDIInputEvent& event);
    bool sendMIDI1Message(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    bool sendSilencingMessages();
    const MIDIOutputDestination* onlineSelectedDestination() const;

    void setSources(std::vector<MIDIInputSource> sources);
    void setDestinations(std::vector<MIDIOutputDestination> destinations);
    void setConnectionErrors(std::map<std::int32_t, MIDIStatus> errors);
    void setOutputError(std::optional<MIDIStatus> error);
    void setSelectedInputID(std::optional<std::int32_t> id);
    void setSelectedOutputID(std::optional<std::int32_t> id);

    DefaultsStore& defaults_;
    std::vector<MIDIInputSource> sources_;
    std::vector<MIDIOutputDestination> destinations_;
    std::map<std::int32_t, MIDIStatus> connectionErrors_;
    std::optional<MIDIStatus> outputError_;
    std::optional<std::int32_t> selectedInputID_;
    std::optional<std::int32_t> selectedOutputID_;
    std::set<MIDIEndpointRef> connectedEndpoints_;
    // Outlives system_, whose receive threads push into it.
    MIDIInputEventQueue receivedEvents_{maximumPendingEvents};
    std::unique_ptr<MIDIPortSystem> system_;
    std::unique_ptr<QSocketNotifier> receivedEventsNotifier_;
    QTimer pollTimer_;
    std::atomic<bool> refreshRequested_{false};
};

} // namespace corvane
