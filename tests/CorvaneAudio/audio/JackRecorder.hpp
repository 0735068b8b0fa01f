#pragma once

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "CorvaneAudio/HostClock.hpp"

// A plain JACK client with two input ports that records what reaches them,
// and the host time at which each of its cycles began. To the sound system it
// is also an output device named after the client.
class JackRecorder {
public:
    explicit JackRecorder(const std::string& name = "recorder", std::size_t capacityFrames = 48000 * 20)
        : left_(capacityFrames), right_(capacityFrames), cycleStarts_(capacityFrames / 16), cycleTimes_(capacityFrames / 16)
    {
        jack_status_t status{};
        client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (!client_) throw std::runtime_error("recorder: no JACK server");
        ports_[0] = jack_port_register(client_, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        ports_[1] = jack_port_register(client_, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &JackRecorder::process, this);
        if (jack_activate(client_) != 0) throw std::runtime_error("recorder: cannot activate");
    }

    ~JackRecorder()
    {
        jack_deactivate(client_);
        jack_client_close(client_);
    }

    JackRecorder(const JackRecorder&) = delete;
    JackRecorder& operator=(const JackRecorder&) = delete;

    std::string name() const { return jack_get_client_name(client_); }
    jack_client_t* client() const { return client_; }
    std::uint32_t sampleRate() const { return jack_get_sample_rate(client_); }
    std::uint32_t periodFrames() const { return jack_get_buffer_size(client_); }

    // Output ports of other clients whose names match the pattern (a regular expression).
    std::vector<std::string> outputPorts(const std::string& pattern) const
    {
        std::vector<std::string> names;
        const char** ports = jack_get_ports(client_, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        for (std::size_t i = 0; ports && ports[i]; ++i) names.emplace_back(ports[i]);
        jack_free(ports);
        return names;
    }

    // Connects the matching output ports to the recorder's inputs, in order.
    void connectFrom(const std::string& pattern)
    {
        const auto sources = outputPorts(pattern);
        for (std::size_t i = 0; i < sources.size() && i < 2; ++i)
            jack_connect(client_, sources[i].c_str(), jack_port_name(ports_[i]));
    }

    bool isConnectedFrom(const std::string& port) const { return jack_port_connected_to(ports_[0], port.c_str()); }

    std::size_t recordedFrames() const { return written_.load(std::memory_order_acquire); }
    std::vector<float> left(std::size_t from = 0) const { return slice(left_, from); }
    std::vector<float> right(std::size_t from = 0) const { return slice(right_, from); }

    // Frame indices at which the recorder's cycles began, with their host times.
    std::vector<std::pair<std::size_t, std::uint64_t>> cycles() const
    {
        const auto count = cycleCount_.load(std::memory_order_acquire);
        std::vector<std::pair<std::size_t, std::uint64_t>> result;
        for (std::size_t i = 0; i < count; ++i) result.emplace_back(cycleStarts_[i], cycleTimes_[i]);
        return result;
    }

    static double rms(const std::vector<float>& samples)
    {
        if (samples.empty()) return 0;
        double sum = 0;
        for (float s : samples) sum += double(s) * s;
        return std::sqrt(sum / double(samples.size()));
    }
    static float peak(const std::vector<float>& samples)
    {
        float value = 0;
        for (float s : samples) value = std::max(value, std::fabs(s));
        return value;
    }

private:
    std::vector<float> slice(const std::vector<float>& channel, std::size_t from) const
    {
        const auto end = recordedFrames();
        if (from >= end) return {};
        return std::vector<float>(channel.begin() + std::ptrdiff_t(from), channel.begin() + std::ptrdiff_t(end));
    }

    static int process(jack_nframes_t frames, void* user)
    {
        auto* self = static_cast<JackRecorder*>(user);
        const std::uint64_t now = corvane::hostTimeNow();
        const auto start = self->written_.load(std::memory_order_relaxed);
        const auto cycle = self->cycleCount_.load(std::memory_order_relaxed);
        if (cycle < self->cycleStarts_.size()) {
            self->cycleStarts_[cycle] = start;
            self->cycleTimes_[cycle] = now;
            self->cycleCount_.store(cycle + 1, std::memory_order_release);
        }
        const auto count = std::min<std::size_t>(frames, self->left_.size() - start);
        const auto* a = static_cast<const float*>(jack_port_get_buffer(self->ports_[0], frames));
        const auto* b = static_cast<const float*>(jack_port_get_buffer(self->ports_[1], frames));
        std::copy(a, a + count, self->left_.begin() + std::ptrdiff_t(start));
        std::copy(b, b + count, self->right_.begin() + std::ptrdiff_t(start));
        self->written_.store(start + count, std::memory_order_release);
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* ports_[2] = {nullptr, nullptr};
    std::vector<float> left_, right_;
    std::vector<std::size_t> cycleStarts_;
    std::vector<std::uint64_t> cycleTimes_;
    std::atomic<std::size_t> written_{0};
    std::atomic<std::size_t> cycleCount_{0};
};
