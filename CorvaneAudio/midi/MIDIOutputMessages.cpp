// The send operations of MIDIDeviceMonitor: single MIDI 1.0 channel voice
// messages to the chosen destination.
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneAudio/midi/UMPConversion.hpp"

#include <algorithm>

namespace corvane {

namespace {
std::uint8_t statusByte(std::uint8_t kind, std::uint8_t channel) { return kind + (channel & 0x0F); }
} // namespace

bool MIDIDeviceMonitor::sendNoteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
{
    return sendMIDI1Message(statusByte(0x90, channel), note, velocity);
}

// Always a real note-off: a note-on with velocity 0 is not what every instrument expects.
bool MIDIDeviceMonitor::sendNoteOff(std::uint8_t note, std::uint8_t channel)
{
    return sendMIDI1Message(statusByte(0x80, channel), note, 0);
}

bool MIDIDeviceMonitor::sendControlChange(std::uint8_t controller, std::uint8_t value, std::uint8_t channel)
{
    return sendMIDI1Message(statusByte(0xB0, channel), controller, value);
}

bool MIDIDeviceMonitor::sendProgramChange(std::uint8_t program, std::uint8_t channel)
{
    return sendMIDI1Message(statusByte(0xC0, channel), program, 0);
}

bool MIDIDeviceMonitor::sendPitchBend(std::uint16_t value, std::uint8_t channel)
{
    const auto bend = std::min<std::uint16_t>(value, 16383);
    return sendMIDI1Message(statusByte(0xE0, channel), static_cast<std::uint8_t>(bend & 0x7F),
                            static_cast<std::uint8_t>(bend >> 7));
}

bool MIDIDeviceMonitor::sendAllNotesOff()
{
    if (usesInternalOutput()) return false;
    return sendSilencingMessages();
}

bool MIDIDeviceMonitor::sendSilencingMessages()
{
    // Every message is sent even after a failure: a channel left sounding is worse.
    bool allSent = true;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        allSent = sendControlChange(64, 0, channel) && allSent;
        allSent = sendControlChange(123, 0, channel) && allSent;
    }
    return allSent;
}

bool MIDIDeviceMonitor::sendMIDI1Message(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const MIDIOutputDestination* destination = onlineSelectedDestination();
    if (!destination || !system_) {
        setOutputError(std::nullopt);
        return false;
    }
    const MIDIStatus result = system_->send(destination->endpoint, midi1Word(status, data1, data2));
    if (result != midiStatus::noError) {
        setOutputError(result);
        return false;
    }
    setOutputError(std::nullopt);
    return true;
}

} // namespace corvane
