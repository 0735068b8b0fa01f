#pragma once

// A JACK dummy server that a test kills the way a user's server dies (a
// crash: SIGKILL; an orderly stop: SIGTERM) and starts again under the same
// name, the way a user's server comes back. While it exists,
// JACK_DEFAULT_SERVER names it; afterwards it names what it named before.
//
// A server killed before it could leave JACK's registry (eight servers a
// machine) keeps its slot there until a server of the same name starts: the
// next start takes it over, and the destructor starts the server once more
// to stop it in order, leaving the registry as it found it.

#include <jack/jack.h>

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

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class KillableJackServer {
public:
    explicit KillableJackServer(std::string name, int sampleRate = 48000, int period = 256)
        : name_(std::move(name)), sampleRate_(std::to_string(sampleRate)), period_(std::to_string(period))
    {
        if (const char* previous = std::getenv("JACK_DEFAULT_SERVER")) previousDefault_ = previous;
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        start();
    }

    ~KillableJackServer()
    {
        if (!running() && slotLeft_) {
            try {
                start();
            } catch (const std::exception&) {
            }
        }
        if (running()) kill(SIGTERM, std::chrono::seconds(10));
        if (running()) kill(SIGKILL);
        if (previousDefault_) ::setenv("JACK_DEFAULT_SERVER", previousDefault_->c_str(), 1);
        else ::unsetenv("JACK_DEFAULT_SERVER");
        std::error_code ignored;
        std::filesystem::remove(logFile(), ignored);
    }

    KillableJackServer(const KillableJackServer&) = delete;
    KillableJackServer& operator=(const KillableJackServer&) = delete;

    const std::string& name() const { return name_; }
    bool running() const { return pid_ > 0; }

    // Starts it (again); throws when it is not ready within 15 s.
    void start()
    {
        if (running()) return;
        slotLeft_ = false;
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            // A test process that dies takes its server with it.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (const int log = ::open(logFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); log >= 0) {
                ::dup2(log, STDOUT_FILENO);
                ::dup2(log, STDERR_FILENO);
            }
            ::execlp("jackd", "jackd", "--no-realtime", "-n", name_.c_str(), "-d", "dummy", "-r", sampleRate_.c_str(),
                     "-p", period_.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (!waitUntilReady()) {
            kill(SIGKILL);
            throw std::runtime_error("the JACK dummy server " + name_ + " did not start: " + lastLogLine());
        }
    }

    // Sends `signal` and waits until the server has ended, `patience` at
    // most; answers the seconds it took (absent: still running).
    std::optional<double> kill(int signal, std::chrono::milliseconds patience = std::chrono::seconds(10))
    {
        if (!running()) return 0.0;
        const auto sent = std::chrono::steady_clock::now();
        ::kill(pid_, signal);
        while (std::chrono::steady_clock::now() - sent < patience) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                // Only a server that ended by itself has left the registry.
                slotLeft_ = !WIFEXITED(status);
                return std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return std::nullopt;
    }

private:
    // What the server last said, kept for a start that fails.
    std::filesystem::path logFile() const { return std::filesystem::temp_directory_path() / (name_ + ".log"); }

    std::string lastLogLine() const
    {
        std::ifstream log(logFile());
        std::string line, last;
        while (std::getline(log, line))
            if (!line.empty()) last = line;
        return last;
    }

    bool waitUntilReady()
    {
        // Probing a server that is still starting prints errors; keep them out of test logs.
        jack_set_error_function([](const char*) {});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        bool ready = false;
        while (!ready && std::chrono::steady_clock::now() < deadline) {
            if (int status = 0; ::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                slotLeft_ = !WIFEXITED(status);
                break;
            }
            jack_status_t status{};
            jack_client_t* probe = jack_client_open(
                "probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, name_.c_str());
            if (probe) {
                jack_client_close(probe);
                ready = true;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        jack_set_error_function([](const char* message) { std::fprintf(stderr, "jack: %s\n", message); });
        return ready;
    }

    std::string name_;
    std::string sampleRate_;
    std::string period_;
    std::optional<std::string> previousDefault_;
    pid_t pid_ = -1;
    bool slotLeft_ = false; // the last server was killed before it left the registry
};
