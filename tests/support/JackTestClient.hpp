#pragma once

// A JACK client of the test's own with one MIDI port, standing in for a
// keyboard (an output port) or an instrument (an input port) that can be
// unplugged and plugged in again: its port is unregistered and registered
// again under the same name, as a device's bridge does.

#include <jack/jack.h>
#include <jack/metadata.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class JackTestClient {
public:
    enum class Direction { keyboard, instrument };

    JackTestClient(const std::string& clientName, const std::string& portName, Direction direction)
        : portName_(portName), direction_(direction)
    {
        client_ = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
        if (!client_) throw std::runtime_error("no JACK server for the test client");
        outgoing_ = jack_ringbuffer_create(4096);
        jack_set_process_callback(client_, &JackTestClient::process, this);
        registerPort();
        jack_activate(client_);
    }

    ~JackTestClient()
    {
        jack_client_close(client_);
        jack_ringbuffer_free(outgoing_);
    }

    JackTestClient(const JackTestClient&) = delete;
    JackTestClient& operator=(const JackTestClient&) = delete;

    std::string portName() const { return std::string(jack_get_client_name(client_)) + ':' + portName_; }
    jack_port_t* port() const { return port_.load(); }
    bool isConnected() const { return port() && jack_port_connected(port()) > 0; }

    // Keyboard: sent in the first period in which the port is connected. A
    // connection takes effect at a period's start, and under load the period
    // in which it is made can pass before this client's thread runs: a key
    // played at once would then go nowhere, which no player's key does.
    void send(std::vector<unsigned char> message)
    {
        message.insert(message.begin(), static_cast<unsigned char>(message.size()));
        jack_ringbuffer_write(outgoing_, reinterpret_cast<const char*>(message.data()), message.size());
    }

    // Instrument: everything received so far.
    std::vector<std::vector<unsigned char>> messages() const
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }

    // Unplugged for `gap`, then back under the same name.
    void registerAgain(std::chrono::milliseconds gap)
    {
        unregisterPort();
        std::this_thread::sleep_for(gap);
        registerPort();
    }

    void unregisterPort()
    {
        jack_port_t* old = port_.exchange(nullptr);
        // The process thread may still hold the old port for this period.
        const auto cycle = cycles_.load();
        while (cycles_.load() < cycle + 2) std::this_thread::sleep_for(std::chrono::microseconds(200));
        jack_port_unregister(client_, old);
    }

    void registerPort()
    {
        const unsigned long flags = direction_ == Direction::keyboard ? JackPortIsOutput : JackPortIsInput;
        port_.store(jack_port_register(client_, portName_.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0));
        if (!port_.load()) throw std::runtime_error("the test port could not be registered");
    }

    void setAlias(const std::string& alias) { jack_port_set_alias(port(), alias.c_str()); }
    bool setProperty(const char* key, const std::string& value)
    {
        return jack_set_property(client_, jack_port_uuid(port()), key, value.c_str(), "text/plain") == 0;
    }

private:
    static int process(jack_nframes_t frames, void* argument)
    {
        auto* self = static_cast<JackTestClient*>(argument);
        if (jack_port_t* port = self->port_.load()) {
            void* buffer = jack_port_get_buffer(port, frames);
            if (self->direction_ == Direction::keyboard) {
                jack_midi_clear_buffer(buffer);
                unsigned char length = 0;
                // From the process thread this is the connection of this very period.
                const bool connected = jack_port_connected(port) > 0;
                while (connected && jack_ringbuffer_peek(self->outgoing_, reinterpret_cast<char*>(&length), 1) == 1 &&
                       jack_ringbuffer_read_space(self->outgoing_) >= 1u + length) {
                    unsigned char data[4] = {};
                    jack_ringbuffer_read_advance(self->outgoing_, 1);
                    jack_ringbuffer_read(self->outgoing_, reinterpret_cast<char*>(data), length);
                    jack_midi_event_write(buffer, 0, data, length);
                }
            } else {
                const std::uint32_t count = jack_midi_get_event_count(buffer);
                std::lock_guard lock(self->mutex_); // a test client may block its own process thread
                for (std::uint32_t i = 0; i < count; ++i) {
                    jack_midi_event_t event;
                    if (jack_midi_event_get(&event, buffer, i) == 0)
                        self->messages_.emplace_back(event.buffer, event.buffer + event.size);
                }
            }
        }
        self->cycles_.fetch_add(1);
        return 0;
    }

    std::string portName_;
    Direction direction_;
    jack_client_t* client_ = nullptr;
    std::atomic<jack_port_t*> port_{nullptr};
    std::atomic<std::uint64_t> cycles_{0};
    jack_ringbuffer_t* outgoing_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::vector<unsigned char>> messages_;
};

// A keyboard's port "<client>:out", as a virtual keyboard's bridge names it.
class JackTestKeyboard : public JackTestClient {
public:
    explicit JackTestKeyboard(const std::string& clientName) : JackTestClient(clientName, "out", Direction::keyboard) {}
};
