#pragma once

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A session bus whose daemon hangs: a socket of the test's own that takes
// every connection and never says a word on it, given as the bus's address.
class SilentSessionBus {
public:
    SilentSessionBus()
    {
        char folder[] = "/tmp/brelmo-silent-bus-XXXXXX";
        if (!::mkdtemp(folder)) return;
        folder_ = folder;
        const std::string path = folder_ + "/bus";
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 64) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0)
            return;
        address_ = QStringLiteral("unix:path=") + QString::fromStdString(path);
        acceptor_ = std::thread([this] { acceptForever(); });
    }
    ~SilentSessionBus()
    {
        if (acceptor_.joinable()) {
            [[maybe_unused]] const auto written = ::write(stop_[1], "x", 1);
            acceptor_.join();
        }
        for (int fd : accepted_) ::close(fd);
        for (int fd : {listener_, stop_[0], stop_[1]})
            if (fd >= 0) ::close(fd);
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }
    SilentSessionBus(const SilentSessionBus&) = delete;
    SilentSessionBus& operator=(const SilentSessionBus&) = delete;

    // Empty when the socket could not be made.
    const QString& address() const { return address_; }
    // How many clients have connected so far.
    std::size_t connections() const
    {
        std::lock_guard lock(mutex_);
        return accepted_.size();
    }

private:
    void acceptForever()
    {
        for (;;) {
            pollfd waits[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0 && errno != EINTR) return;
            if (waits[1].revents) return;
            if (!(waits[0].revents & POLLIN)) continue;
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            // Kept open, and never read or answered.
            std::lock_guard lock(mutex_);
            accepted_.push_back(client);
        }
    }

    std::string folder_;
    QString address_;
    int listener_ = -1;
    int stop_[2] = {-1, -1};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<int> accepted_;
};
