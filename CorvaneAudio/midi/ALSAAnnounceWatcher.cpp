#include "CorvaneAudio/midi/ALSAAnnounceWatcher.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace corvane {

std::unique_ptr<ALSAAnnounceWatcher> ALSAAnnounceWatcher::open(const std::string& clientName,
                                                               std::function<void()> changed)
{
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) return nullptr;
    snd_seq_set_client_name(sequencer, clientName.c_str());
    const int port = snd_seq_create_simple_port(sequencer, "announcements",
                                                SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE |
                                                    SND_SEQ_PORT_CAP_NO_EXPORT,
                                                SND_SEQ_PORT_TYPE_APPLICATION);
    const int stop = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (port < 0 || stop < 0 ||
        snd_seq_connect_from(sequencer, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
        if (stop >= 0) ::close(stop);
        snd_seq_close(sequencer);
        return nullptr;
    }
    return std::unique_ptr<ALSAAnnounceWatcher>(new ALSAAnnounceWatcher(sequencer, stop, std::move(changed)));
}

ALSAAnnounceWatcher::ALSAAnnounceWatcher(snd_seq_t* sequencer, int stopDescriptor, std::function<void()> changed)
    : sequencer_(sequencer), stopDescriptor_(stopDescriptor), clientID_(snd_seq_client_id(sequencer)),
      changed_(std::move(changed))
{
    thread_ = std::thread([this] { run(); });
}

ALSAAnnounceWatcher::~ALSAAnnounceWatcher()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopDescriptor_, &one, sizeof one);
    thread_.join();
    ::close(stopDescriptor_);
    snd_seq_close(sequencer_);
}

void ALSAAnnounceWatcher::run()
{
    const int count = snd_seq_poll_descriptors_count(sequencer_, POLLIN);
    std::vector<pollfd> descriptors(static_cast<std::size_t>(count) + 1);
    snd_seq_poll_descriptors(sequencer_, descriptors.data(), static_cast<unsigned int>(count), POLLIN);
    descriptors.back() = {stopDescriptor_, POLLIN, 0};
    for (;;) {
        if (::poll(descriptors.data(), descriptors.size(), -1) < 0 && errno != EINTR) return;
        if (descriptors.back().revents & POLLIN) return;
        bool relevant = false;
        for (;;) {
            snd_seq_event_t* event = nullptr;
            const int result = snd_seq_event_input(sequencer_, &event);
            if (result == -ENOSPC) {
                std::lock_guard lock(mutex_);
                tracker_.forgetAll();
                relevant = true;
                continue;
            }
            if (result < 0 || !event) break;
            std::lock_guard lock(mutex_);
            relevant = tracker_.apply(*event) || relevant;
        }
        // One call for a burst: the monitor gathers them anyway.
        if (relevant && changed_) changed_();
    }
}

std::uint64_t ALSAAnnounceWatcher::generation(int client, int port) const
{
    std::lock_guard lock(mutex_);
    return tracker_.generation(client, port);
}

ALSACardDetails ALSAAnnounceWatcher::cardDetails(int client)
{
    std::uint64_t clientGeneration = 0;
    {
        std::lock_guard lock(mutex_);
        clientGeneration = tracker_.clientGeneration(client);
        if (const auto known = cards_.find({client, clientGeneration}); known != cards_.end()) return known->second;
    }
    ALSACardDetails details;
    snd_seq_client_info_t* info = nullptr;
    snd_seq_client_info_alloca(&info);
    if (snd_seq_get_any_client_info(sequencer_, client, info) >= 0) {
        const int card = snd_seq_client_info_get_card(info);
        char* name = nullptr;
        char* longName = nullptr;
        if (card >= 0 && snd_card_get_name(card, &name) >= 0 && snd_card_get_longname(card, &longName) >= 0)
            details = alsaCardDetails(name, longName);
        std::free(name);
        std::free(longName);
    }
    std::lock_guard lock(mutex_);
    cards_[{client, clientGeneration}] = details;
    return details;
}

} // namespace corvane
