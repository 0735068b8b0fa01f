#include "CorvaneAudio/JackClientRegistry.hpp"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace corvane {

namespace {

struct Enrolled {
    jack_client_t* client;
    JackClientRegistry::Forget forget;
};

// Never destroyed: an owner made static may close its client as the program ends.
struct Registry {
    std::mutex mutex;
    std::vector<Enrolled> enrolled;
    // Apart from the clients: a listener runs on libjack's thread while an
    // owner's close, holding the other lock, waits for that thread.
    std::mutex listenersMutex;
    std::vector<std::pair<std::uint64_t, JackClientRegistry::Listener>> listeners;
    std::uint64_t nextToken = 1;
};
Registry& registry()
{
    static auto* shared = new Registry;
    return *shared;
}

std::atomic<bool> serverHasGone{false};

} // namespace

jack_client_t* JackClientRegistry::open(const std::string& name, jack_options_t options, jack_status_t* status,
                                        Forget forget)
{
    closeIfServerGone();
    jack_client_t* client = jack_client_open(name.c_str(), options, status);
    if (!client) return nullptr;
    std::lock_guard lock(registry().mutex);
    registry().enrolled.push_back({client, std::move(forget)});
    return client;
}

void JackClientRegistry::close(jack_client_t* client)
{
    {
        std::lock_guard lock(registry().mutex);
        std::erase_if(registry().enrolled, [&](const Enrolled& e) { return e.client == client; });
    }
    jack_client_close(client);
}

void JackClientRegistry::serverGone()
{
    serverHasGone.store(true, std::memory_order_release);
    std::lock_guard lock(registry().listenersMutex);
    for (const auto& [token, listener] : registry().listeners) listener();
}

std::uint64_t JackClientRegistry::listen(Listener listener)
{
    std::lock_guard lock(registry().listenersMutex);
    const auto token = registry().nextToken++;
    registry().listeners.emplace_back(token, std::move(listener));
    return token;
}

void JackClientRegistry::stopListening(std::uint64_t token)
{
    std::lock_guard lock(registry().listenersMutex);
    std::erase_if(registry().listeners, [&](const auto& entry) { return entry.first == token; });
}

bool JackClientRegistry::closeIfServerGone()
{
    if (!serverHasGone.load(std::memory_order_acquire)) return false;
    std::vector<Enrolled> condemned;
    {
        std::lock_guard lock(registry().mutex);
        condemned = std::exchange(registry().enrolled, {});
    }
    // Closing waits for each client's threads, so the owner forgets only
    // what nothing uses any more.
    for (auto& [client, forget] : condemned) {
        jack_client_close(client);
        if (forget) forget();
    }
    // Cleared only now: the late notices of the clients just closed are no news.
    serverHasGone.store(false, std::memory_order_release);
    return true;
}

} // namespace corvane
