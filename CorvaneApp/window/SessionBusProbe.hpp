#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace corvane {

// Whether the session bus answers at all, asked through the D-Bus library on
// a thread of its own while Qt starts. A bus that takes connections and never
// answers (a hung daemon) would hold each of Qt's users of it for the D-Bus
// library's 25 s: the accessibility bridge as the event loop starts, the menu
// bar's look for a global menu, and the window with them, deaf to SIGTERM.
// When the bus has not answered within `patience`, avoidIfSilent() points the
// process's D-Bus users at no bus, before Qt reaches one: they fail at once,
// as with no bus, and the desktop's settings stay off. A bus that is missing
// or refuses the connection fails as fast by itself and is left alone.
class SessionBusProbe {
public:
    enum class Verdict { noAddress, unreachable, answered, silent };

    static constexpr std::chrono::milliseconds defaultPatience{500};

    // Probes $DBUS_SESSION_BUS_ADDRESS, or `address` when given.
    explicit SessionBusProbe(std::optional<std::string> address = std::nullopt,
                             std::chrono::milliseconds patience = defaultPatience);
    ~SessionBusProbe();
    SessionBusProbe(const SessionBusProbe&) = delete;
    SessionBusProbe& operator=(const SessionBusProbe&) = delete;

    // Waits for the answer, at most until `patience` after construction
    // (silent when it has not come by then).
    Verdict verdict();
    // On a silent bus, before anything has asked the D-Bus library for the
    // session bus: the session bus address becomes one that fails at once.
    // Answers the verdict.
    Verdict avoidIfSilent();

    // What the address becomes.
    static constexpr const char* avoidedAddress = "unix:path=/dev/null/silent-session-bus";

private:
    struct State;
    std::shared_ptr<State> state_;
    std::chrono::steady_clock::time_point deadline_;
};

} // namespace corvane
