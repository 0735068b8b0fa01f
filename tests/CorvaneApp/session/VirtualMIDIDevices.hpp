#pragma once

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneAudio/midi/MIDIEndpoint.hpp"

// A virtual JACK MIDI input that records what it receives and when.
class RecordingMIDIInstrument {
public:
    struct Message {
        std::vector<unsigned char> bytes;
        std::chrono::steady_clock::time_point receivedAt;
    };

    explicit RecordingMIDIInstrument(const std::string& clientName) : input_(RtMidi::UNIX_JACK, clientName)
    {
        input_.ignoreTypes(false, false, false);
        input_.setCallback(&RecordingMIDIInstrument::received, this);
        input_.openVirtualPort("in");
    }
    // The port stops calling back before the recording goes.
    ~RecordingMIDIInstrument()
    {
        input_.closePort();
        input_.cancelCallback();
    }
    std::vector<Message> messages() const
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<Message> noteOns() const
    {
        std::vector<Message> out;
        for (auto& m : messages())
            if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0) out.push_back(m);
        return out;
    }

private:
    static void received(double, std::vector<unsigned char>* message, void* self)
    {
        auto* instrument = static_cast<RecordingMIDIInstrument*>(self);
        std::lock_guard lock(instrument->mutex_);
        instrument->messages_.push_back({*message, std::chrono::steady_clock::now()});
    }
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    RtMidiIn input_;
};

template <class Entry> const Entry* endpointNamed(const std::vector<Entry>& entries, const std::string& name)
{
    const auto it =
        std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.displayName == name; });
    return it == entries.end() ? nullptr : &*it;
}
