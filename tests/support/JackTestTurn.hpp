#pragma once

// The machine-wide turn that processes starting JACK test servers take, one
// at a time (clients of several servers starting at once sometimes failed to
// connect). It is held only while one server starts, and waited for a
// bounded time: past it, the constructor throws, naming the process that
// holds it.

#include <chrono>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class JackTestTurn {
public:
    static constexpr const char* path = "/tmp/brelmo-jack-tests.lock";

    explicit JackTestTurn(std::chrono::seconds patience)
    {
        // Not inherited by the server the holder starts, which would keep it for its life.
        fd_ = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) throw std::runtime_error(std::string("the JACK test lock ") + path + " cannot be opened");
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                const std::string message = std::string("the JACK test lock ") + path + " was still held after " +
                                            std::to_string(patience.count()) + " s, by " + holder();
                ::close(fd_);
                throw std::runtime_error(message);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    ~JackTestTurn() { ::close(fd_); }

    JackTestTurn(const JackTestTurn&) = delete;
    JackTestTurn& operator=(const JackTestTurn&) = delete;

private:
    // The holder as the kernel lists it: "pid 123 (its command line)".
    std::string holder() const
    {
        struct stat file{};
        if (::fstat(fd_, &file) != 0) return "an unknown process";
        std::ostringstream device;
        device << std::hex << std::setfill('0') << std::setw(2) << major(file.st_dev) << ':' << std::setw(2)
               << minor(file.st_dev) << ':' << std::dec << file.st_ino;
        // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10953131 0 EOF"; waiters' lines have "->" after the number.
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);) {
            std::istringstream fields(line);
            std::string number, kind, advisory, mode, pid, where;
            fields >> number >> kind >> advisory >> mode >> pid >> where;
            if (kind != "FLOCK" || where != device.str()) continue;
            std::ifstream commandFile("/proc/" + pid + "/cmdline");
            std::string command((std::istreambuf_iterator<char>(commandFile)), std::istreambuf_iterator<char>());
            for (char& c : command)
                if (c == '\0') c = ' ';
            while (!command.empty() && command.back() == ' ') command.pop_back();
            return "pid " + pid + " (" + (command.empty() ? "gone" : command) + ")";
        }
        return "a process that has just let it go";
    }

    int fd_ = -1;
};
