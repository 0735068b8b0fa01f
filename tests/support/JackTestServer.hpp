#pragma once

// A private JACK server with the dummy driver for tests of audio and MIDI:
// no sound card is needed. It runs under a unique server name, and while it
// is the newest of the process's servers JACK_DEFAULT_SERVER names it, so
// every JACK client the process opens meanwhile (RtAudio's and RtMidi's
// included) reaches it; once the last one is gone the variable is as it was.
// While it lives its process holds the machine's turn (JackTestTurn.hpp),
// and it starts in a slot of JACK's registry that a dead server may have
// left (JackServerRegistry.hpp).

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "JackServerRegistry.hpp"
#include "JackTestTurn.hpp"

class JackTestServer {
public:
    // `logFile`: where the server's messages go (which client missed a period);
    // nowhere when empty. `realtime`: the server's thread, and its clients'
    // where they may, run with real-time scheduling, as on a user's machine
    // (tests run without, needing no privilege).
    explicit JackTestServer(int sampleRate = 48000, int period = 256, const std::string& logFile = {},
                            bool realtime = false)
        : name_("brelmo-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++))
    {
        // JACK refuses a ninth server: while running servers take every slot
        // of its registry (the slots of dead ones emptied), the turn is let go
        // for a while, and the start given up after half a minute.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (std::string running;; running.clear()) {
            turn_ = JackTestTurn::hold();
            if (hasRegistrySlot(running)) break;
            turn_.reset();
            if (std::chrono::steady_clock::now() >= deadline)
                throw std::runtime_error("JACK's eight server slots stayed taken by running servers:" + running);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        start(sampleRate, period, logFile, realtime);
    }

    ~JackTestServer()
    {
        stop();
        leaveDefault();
    }

    JackTestServer(const JackTestServer&) = delete;
    JackTestServer& operator=(const JackTestServer&) = delete;

    const std::string& name() const { return name_; }

    // Stops the server, as a server that dies; JACK_DEFAULT_SERVER still
    // names it and the turn stays held until it is destroyed.
    void stop()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    // Lets other processes have the turn while the server runs on: for a
    // program that runs for minutes (a benchmark), whose own clients then
    // open unguarded, or for a caller whose own hold covers the server's use.
    void releaseTurn() { turn_.reset(); }

private:
    static int& counter()
    {
        static int value = 0;
        return value;
    }

    // Empties the slots of dead servers; when none is free, `running` lists the servers holding them.
    static bool hasRegistrySlot(std::string& running)
    {
        JackServerRegistry registry;
        registry.dropDeadServers();
        if (!registry.isReadable() || registry.freeSlots() > 0) return true;
        for (const auto& server : registry.servers())
            running += " " + server.name + " (pid " + std::to_string(server.pid) + ")";
        return false;
    }

    void start(int sampleRate, int period, const std::string& logFile, bool realtime)
    {
        const std::string rate = std::to_string(sampleRate);
        const std::string frames = std::to_string(period);
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            // A test process that crashes or is killed by a timeout takes its server with it.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int output = logFile.empty() ? ::open("/dev/null", O_WRONLY)
                                               : ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (output >= 0) {
                ::dup2(output, STDOUT_FILENO);
                ::dup2(output, STDERR_FILENO);
            }
            ::execlp("jackd", "jackd", realtime ? "--realtime" : "--no-realtime", "-n", name_.c_str(), "-d", "dummy",
                     "-r", rate.c_str(), "-p", frames.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        becomeDefault();
        if (!waitUntilReady()) {
            stop();
            leaveDefault();
            throw std::runtime_error("the JACK dummy server " + name_ + " did not start");
        }
    }

    // The process's servers, newest last, and the variables as they were before the first.
    struct Environment {
        std::vector<const JackTestServer*> servers;
        std::optional<std::string> server, reservation;
    };
    static Environment& environment()
    {
        static Environment value;
        return value;
    }
    static std::optional<std::string> variable(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void restore(const char* name, const std::optional<std::string>& value)
    {
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }

    void becomeDefault()
    {
        auto& e = environment();
        if (e.servers.empty()) {
            e.server = variable("JACK_DEFAULT_SERVER");
            e.reservation = variable("JACK_NO_AUDIO_RESERVATION");
        }
        e.servers.push_back(this);
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    }

    void leaveDefault()
    {
        auto& e = environment();
        const auto found = std::find(e.servers.begin(), e.servers.end(), this);
        if (found == e.servers.end()) return;
        e.servers.erase(found);
        if (!e.servers.empty()) {
            ::setenv("JACK_DEFAULT_SERVER", e.servers.back()->name_.c_str(), 1);
            return;
        }
        restore("JACK_DEFAULT_SERVER", e.server);
        restore("JACK_NO_AUDIO_RESERVATION", e.reservation);
    }

    bool waitUntilReady()
    {
        // Probing a server that is still starting prints errors; keep them out of test logs.
        jack_set_error_function([](const char*) {});
        struct RestoreErrors {
            ~RestoreErrors()
            {
                jack_set_error_function([](const char* message) { std::fprintf(stderr, "jack: %s\n", message); });
            }
        } restore;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            jack_status_t jackStatus{};
            jack_client_t* probe = jack_client_open(
                "probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &jackStatus, name_.c_str());
            if (probe) {
                jack_client_close(probe);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    std::string name_;
    pid_t pid_ = -1;
    JackTestTurn::Hold turn_;
};
