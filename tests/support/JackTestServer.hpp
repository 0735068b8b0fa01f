#pragma once

// A private JACK server with the dummy driver for tests of audio and MIDI:
// no sound card is needed. It runs under a unique server name, and the
// constructor points JACK_DEFAULT_SERVER at it, so every JACK client this
// process opens afterwards (RtAudio's and RtMidi's included) reaches it.

#include <jack/jack.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

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
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        if (!waitUntilReady()) {
            stop();
            throw std::runtime_error("the JACK dummy server " + name_ + " did not start");
        }
    }

    ~JackTestServer() { stop(); }

    JackTestServer(const JackTestServer&) = delete;
    JackTestServer& operator=(const JackTestServer&) = delete;

    const std::string& name() const { return name_; }

private:
    static int& counter()
    {
        static int value = 0;
        return value;
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

    std::string name_;
    pid_t pid_ = -1;
};
