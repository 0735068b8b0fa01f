#pragma once

// A keyboard whose port comes and goes many times a second, played by a
// process of its own (helpers/flapping_keyboard.cpp) on the server that
// JACK_DEFAULT_SERVER names. libjack of a client unregistering ports that
// fast sometimes crashes (it frees a node of the client's port list while
// another of the client's threads walks it): such a crash ends that process,
// not the test, which sees it as `crashed()`.

#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

class FlappingKeyboard {
public:
    FlappingKeyboard(const std::string& clientName, const std::string& portName)
        : portName_(clientName + ':' + portName)
    {
        // One socket both ways: a request to a process that is gone fails instead of raising SIGPIPE.
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) throw std::runtime_error("socketpair failed");
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        const std::string program = BRELMO_FLAPPING_KEYBOARD;
        char* arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>(clientName.c_str()),
                             const_cast<char*>(portName.c_str()), nullptr};
        const int spawned = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, arguments, environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        channel_ = ends[0];
        if (spawned != 0) {
            pid_ = -1;
            close();
            throw std::runtime_error("the flapping keyboard could not be started: " + std::string(std::strerror(spawned)));
        }
        if (answer(std::chrono::seconds(10)) != "ready") {
            close();
            throw std::runtime_error("the flapping keyboard did not come up on the JACK server");
        }
    }

    ~FlappingKeyboard() { close(); }

    FlappingKeyboard(const FlappingKeyboard&) = delete;
    FlappingKeyboard& operator=(const FlappingKeyboard&) = delete;

    const std::string& portName() const { return portName_; }

    // Starts `count` re-registrations `gap` apart; `hasFlapped()` says when they are over.
    void flap(int count, std::chrono::milliseconds gap)
    {
        request("flap " + std::to_string(count) + " " + std::to_string(gap.count()));
    }

    // Without waiting. True too once the process is gone.
    bool hasFlapped()
    {
        if (exited()) return true;
        pollfd ready{channel_, POLLIN, 0};
        if (::poll(&ready, 1, 0) <= 0) return false;
        return answer(std::chrono::seconds(2)).has_value();
    }

    // Whether the process ended by a signal.
    bool crashed()
    {
        exited();
        return crashed_;
    }

    bool isConnected()
    {
        request("connected");
        return answer(std::chrono::seconds(2)) == "yes";
    }

    void send(const std::vector<unsigned char>& message)
    {
        std::string line = "send";
        for (unsigned char byte : message) line += " " + std::to_string(byte);
        request(line);
        answer(std::chrono::seconds(2));
    }

private:
    void request(const std::string& line)
    {
        const std::string text = line + '\n';
        // To a process that is gone it fails; the answer that never comes says so.
        (void)!::send(channel_, text.data(), text.size(), MSG_NOSIGNAL);
    }

    // The next line of the process, or nothing once it is gone or silent for `patience`.
    std::optional<std::string> answer(std::chrono::milliseconds patience)
    {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        for (;;) {
            if (const auto end = buffered_.find('\n'); end != std::string::npos) {
                std::string line = buffered_.substr(0, end);
                buffered_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd ready{channel_, POLLIN, 0};
            if (::poll(&ready, 1, int(left.count())) <= 0) continue;
            char chunk[256];
            const ssize_t count = ::read(channel_, chunk, sizeof chunk);
            if (count <= 0) break; // the process is gone
            buffered_.append(chunk, std::size_t(count));
        }
        exited();
        return std::nullopt;
    }

    // Reaps the process if it has ended.
    bool exited()
    {
        if (pid_ <= 0) return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
        crashed_ = WIFSIGNALED(status);
        pid_ = -1;
        return true;
    }

    void close()
    {
        if (channel_ >= 0) ::shutdown(channel_, SHUT_WR); // the end of its input ends it
        for (int i = 0; i < 100 && !exited(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!exited()) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        if (channel_ >= 0) ::close(channel_);
        channel_ = -1;
    }

    std::string portName_;
    pid_t pid_ = -1;
    int channel_ = -1;
    std::string buffered_;
    bool crashed_ = false;
};
