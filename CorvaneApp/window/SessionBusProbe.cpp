#include "CorvaneApp/window/SessionBusProbe.hpp"

#include <dbus/dbus.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "CorvaneApp/window/StartupLog.hpp"

namespace corvane {

struct SessionBusProbe::State {
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<Verdict> verdict;
};

namespace {

// Connects and says Hello, as every client's first call: a bus that answers
// it has a daemon behind it. One that drops the connection (a refused login)
// fails as fast for Qt, and is no silence.
SessionBusProbe::Verdict probe(const std::string& address, std::chrono::milliseconds patience)
{
    const auto start = std::chrono::steady_clock::now();
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_connection_open_private(address.c_str(), &error);
    if (!connection) {
        dbus_error_free(&error);
        return SessionBusProbe::Verdict::unreachable;
    }
    DBusMessage* reply = nullptr;
    if (DBusMessage* hello =
            dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello")) {
        reply = dbus_connection_send_with_reply_and_block(connection, hello, int(patience.count()), &error);
        dbus_message_unref(hello);
    }
    const bool answered = reply != nullptr;
    if (reply) dbus_message_unref(reply);
    dbus_error_free(&error);
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    if (answered) return SessionBusProbe::Verdict::answered;
    return std::chrono::steady_clock::now() - start >= patience ? SessionBusProbe::Verdict::silent
                                                                 : SessionBusProbe::Verdict::unreachable;
}

} // namespace

SessionBusProbe::SessionBusProbe(std::optional<std::string> address, std::chrono::milliseconds patience)
    : state_(std::make_shared<State>()), deadline_(std::chrono::steady_clock::now() + patience)
{
    if (!address) {
        const char* fromEnvironment = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        if (fromEnvironment && *fromEnvironment) address = fromEnvironment;
    }
    if (!address || address->empty()) {
        state_->verdict = Verdict::noAddress;
        return;
    }
    // Left to run on its own: a bus that never accepts holds even the
    // connect(), and the program does not wait for that.
    std::thread([state = state_, address = *address, patience] {
        const Verdict verdict = probe(address, patience);
        {
            std::lock_guard lock(state->mutex);
            state->verdict = verdict;
        }
        state->answered.notify_all();
    }).detach();
}

SessionBusProbe::~SessionBusProbe() = default;

SessionBusProbe::Verdict SessionBusProbe::verdict()
{
    std::unique_lock lock(state_->mutex);
    state_->answered.wait_until(lock, deadline_, [this] { return state_->verdict.has_value(); });
    return state_->verdict.value_or(Verdict::silent);
}

SessionBusProbe::Verdict SessionBusProbe::avoidIfSilent()
{
    const Verdict answer = verdict();
    if (answer != Verdict::silent) return answer;
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    qCWarning(startupLog, "The session bus at %s does not answer; going on without it (the desktop's settings and "
                          "screen readers are not reached)",
              address ? address : "");
    // Replacing a variable that is set leaves the environment's list in place
    // for the threads already running.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", avoidedAddress, 1);
    return answer;
}

} // namespace corvane
