#pragma once

// A private JACK server with the dummy driver for tests of audio and MIDI:
// no sound card is needed. It runs under a unique server name, and while it
// is the newest of the process's servers JACK_DEFAULT_SERVER names it, so
// every JACK client the process opens meanwhile (RtAudio's and RtMidi's
// included) reaches it; once the last one is gone the variable is as it was.
// While it lives its process holds the machine's turn (JackTestTurn.hpp),
// and it starts in a slot of JACK's registry that a dead server may have
// left (JackServerRegistry.hpp). A test may kill it as a user's server dies
// and start it again under its name, as a user's server comes back.

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "JackServerRegistry.hpp"
#include "JackTestTurn.hpp"

class JackTestServer {
public:
    // `logFile`: where the server's messages go (which client missed a period);
    // a file of its own, removed with it, when empty. Each start's messages
    // replace the last's. `realtime`: the server's thread, and its clients'
    // where they may, run with real-time scheduling, as on a user's machine
    // (tests' own servers are RealtimeJackTestServer).
    explicit JackTestServer(int sampleRate = 48000, int period = 256, const std::string& logFile = {},
                            bool realtime = false)
        : name_("brelmo-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++)),
          sampleRate_(std::to_string(sampleRate)), period_(std::to_string(period)),
          logFile_(logFile.empty() ? std::filesystem::temp_directory_path() / (name_ + ".log")
                                   : std::filesystem::path(logFile)),
          ownLog_(logFile.empty()), realtime_(realtime)
    {
        becomeDefault();
        try {
            start();
        } catch (...) {
            leaveDefault();
            removeOwnLog();
            throw;
        }
    }

    ~JackTestServer()
    {
        stop();
        removeLeftovers();
        leaveDefault();
        removeOwnLog();
    }

    // Whether this process may run threads with real-time scheduling, as a
    // user's sound server and its clients do: asked once, of a thread of its
    // own. A test's server runs so where it may: on a loaded machine an
    // ordinary server falls behind the clock, and a client left unscheduled
    // for a period loses the MIDI that reached it then.
    static bool realtimeAllowed()
    {
        static const bool allowed = [] {
            bool granted = false;
            std::thread([&] {
                sched_param wanted{};
                wanted.sched_priority = 1;
                granted = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &wanted) == 0;
            }).join();
            return granted;
        }();
        return allowed;
    }

    JackTestServer(const JackTestServer&) = delete;
    JackTestServer& operator=(const JackTestServer&) = delete;

    const std::string& name() const { return name_; }

    // Starts the stopped or killed server again under its name, holding the
    // turn again if it was let go; throws with the server's last words when
    // it is not ready within 15 s.
    void start()
    {
        if (pid_ > 0) return;
        // JACK refuses a ninth server: while running servers take every slot
        // of its registry (the slots of dead ones emptied, a killed one's
        // among them), the turn is let go for a while, and the start given
        // up after half a minute.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (std::string running;; running.clear()) {
            turn_ = JackTestTurn::hold();
            if (hasRegistrySlot(running)) break;
            turn_.reset();
            if (std::chrono::steady_clock::now() >= deadline)
                throw std::runtime_error("JACK's eight server slots stayed taken by running servers:" + running);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        launch();
        if (!waitUntilReady()) {
            stop();
            throw std::runtime_error("the JACK dummy server " + name_ + " did not start: " + lastWords());
        }
    }

    // Once killed or stopped, as a user's server dies, the server is still
    // named by JACK_DEFAULT_SERVER (the process's clients find no server)
    // and does not let go of the turn. A killed one's registry slot is
    // emptied at the next start of any test server, and what it left in
    // /dev/shm when it is destroyed.

    // Sends `signal` (SIGKILL: a crash; SIGTERM: an orderly stop) and waits
    // until the server has ended, `patience` at most; answers the seconds it
    // took (absent: still running).
    std::optional<double> kill(int signal, std::chrono::milliseconds patience = std::chrono::seconds(10))
    {
        if (pid_ <= 0) return 0.0;
        const auto sent = std::chrono::steady_clock::now();
        ::kill(pid_, signal);
        while (std::chrono::steady_clock::now() - sent < patience) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return std::nullopt;
    }

    // Stops the server in order, or kills it when it takes over two seconds.
    void stop()
    {
        if (pid_ <= 0 || kill(SIGTERM, std::chrono::seconds(2))) return;
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

    void launch()
    {
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            // A test process that crashes or is killed by a timeout takes its server with it.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int output = ::open(logFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (output >= 0) {
                ::dup2(output, STDOUT_FILENO);
                ::dup2(output, STDERR_FILENO);
            }
            ::execlp("jackd", "jackd", realtime_ ? "--realtime" : "--no-realtime", "-n", name_.c_str(), "-d", "dummy",
                     "-r", sampleRate_.c_str(), "-p", period_.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }

    // What the server last said, passing over its banner, which a server
    // that gives up at once writes after its error (stdout is flushed at exit).
    std::string lastWords() const
    {
        std::ifstream log(logFile_);
        std::string line, last;
        while (std::getline(log, line)) {
            const bool banner = line.starts_with("jackdmp ") || line.starts_with("Copyright ") ||
                                line.starts_with("This is free software") || line.starts_with("under certain conditions");
            if (!banner && !line.empty()) last = line;
        }
        return last.empty() ? "it said nothing" : last;
    }

    void removeOwnLog() const
    {
        std::error_code ignored;
        if (ownLog_) std::filesystem::remove(logFile_, ignored);
    }

    // A server that is killed, or stops while clients are open, leaves its
    // socket or their semaphores in /dev/shm. The name is this server's
    // alone; still, should a running server carry it, they stay.
    void removeLeftovers() const
    {
        const std::string uid = std::to_string(::getuid());
        try {
            JackServerRegistry registry;
            for (const auto& server : registry.servers())
                if (server.name == "jack-" + uid + ":" + name_ + ":" && ::kill(server.pid, 0) == 0) return;
        } catch (const std::runtime_error&) {
            return;
        }
        const std::string socket = "jack_" + name_ + "_" + uid + "_", semaphore = "jack_sem." + uid + "_" + name_ + "_";
        std::error_code ignored; // from a destructor: nothing may throw
        for (std::filesystem::directory_iterator entry("/dev/shm", ignored), end; entry != end;
             entry.increment(ignored)) {
            const std::string file = entry->path().filename();
            if (file.starts_with(socket) || file.starts_with(semaphore)) std::filesystem::remove(entry->path(), ignored);
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

    std::string name_, sampleRate_, period_;
    std::filesystem::path logFile_;
    bool ownLog_, realtime_;
    pid_t pid_ = -1;
    JackTestTurn::Hold turn_;
};

// A test's server: real time where the process may have it, so that a loaded
// machine's delays are not taken for the program's.
class RealtimeJackTestServer : public JackTestServer {
public:
    explicit RealtimeJackTestServer(int period = 256) : JackTestServer(48000, period, {}, realtimeAllowed()) {}
};
