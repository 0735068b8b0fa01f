#pragma once

// The machine-wide turn of processes that run JACK test servers: a client
// that opens while another server starts or stops now and then fails (about
// one open in a hundred and fifty, measured with servers starting and
// stopping beside it), so one process at a time starts servers and opens
// clients. A process holds it while something of it holds a `Hold` (a server
// that lives, a test that runs), and no longer.
//
// Waiting is bounded: once one process has held the turn for `patience`, far
// longer than a test takes, or after ten minutes of others' turns, the wait
// throws, naming the process that holds it.

#include <chrono>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <memory>
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
    using Hold = std::shared_ptr<const void>;

    // Takes the turn unless this process holds it already; it goes with the last hold.
    static Hold hold(std::chrono::seconds patience = std::chrono::seconds(120))
    {
        if (Hold held = current().lock()) return held;
        auto lock = std::make_shared<const Lock>(patience);
        current() = lock;
        return lock;
    }

private:
    class Lock {
    public:
        explicit Lock(std::chrono::seconds patience)
        {
            // Not inherited by the servers started meanwhile, which would keep it for their lives.
            fd_ = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (fd_ < 0) throw std::runtime_error(std::string("the JACK test lock ") + path + " cannot be opened");
            const auto start = std::chrono::steady_clock::now();
            std::string holder;
            auto holderSeen = start;
            while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
                const auto now = std::chrono::steady_clock::now();
                const auto [pid, description] = lockHolder();
                if (pid != holder) {
                    holder = pid;
                    holderSeen = now;
                }
                const auto held = std::max(now - holderSeen, recordedHolding(pid));
                if (held >= patience || now - start >= std::chrono::minutes(10)) {
                    const auto message = std::string("the JACK test lock ") + path + " has been held for " +
                                         std::to_string(std::chrono::duration_cast<std::chrono::seconds>(held).count()) +
                                         " s by " + description;
                    ::close(fd_);
                    throw std::runtime_error(message);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            // Who holds it since when, for those who wait.
            const std::string record = std::to_string(::getpid()) + " " + std::to_string(std::time(nullptr)) + "\n";
            if (::ftruncate(fd_, 0) == 0) (void)!::pwrite(fd_, record.data(), record.size(), 0);
        }
        ~Lock() { ::close(fd_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        // The holder as the kernel lists it, and "pid 123 (its command line)".
        std::pair<std::string, std::string> lockHolder() const
        {
            struct stat file{};
            if (::fstat(fd_, &file) != 0) return {"", "an unknown process"};
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
                return {pid, "pid " + pid + " (" + (command.empty() ? "gone" : command) + ")"};
            }
            return {"", "a process that has just let it go"};
        }

        // How long the holder has held it by its own record, when the record is its own.
        std::chrono::steady_clock::duration recordedHolding(const std::string& pid) const
        {
            char text[64] = {};
            const ssize_t count = ::pread(fd_, text, sizeof text - 1, 0);
            std::istringstream record(std::string(text, count > 0 ? std::size_t(count) : 0));
            std::string recordedPid;
            long long since = 0;
            if (!(record >> recordedPid >> since) || recordedPid != pid) return {};
            return std::chrono::seconds(std::max(0LL, static_cast<long long>(std::time(nullptr)) - since));
        }

        int fd_ = -1;
    };

    static std::weak_ptr<const Lock>& current()
    {
        static std::weak_ptr<const Lock> value;
        return value;
    }
};
