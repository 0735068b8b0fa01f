#include "CorvaneApp/window/LocalSocket.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

namespace corvane::local_socket {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left before `deadline`, for poll().
int remaining(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

Clock::time_point deadlineAfter(int timeoutMilliseconds)
{
    return Clock::now() + std::chrono::milliseconds(std::max(timeoutMilliseconds, 0));
}

// Waits for `events` on `socket` until the deadline; false when the time ran out.
bool waitFor(int socket, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd entry{socket, events, 0};
        const int ready = ::poll(&entry, 1, remaining(deadline));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return false;
    }
}

std::optional<sockaddr_un> address(const std::string& path)
{
    sockaddr_un result{};
    result.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof result.sun_path) return std::nullopt;
    std::memcpy(result.sun_path, path.c_str(), path.size() + 1);
    return result;
}

Descriptor newSocket() { return Descriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)); }

} // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (fd_ >= 0) ::close(fd_);
}

int Descriptor::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

Connection connect(const std::string& path, int timeoutMilliseconds)
{
    const auto to = address(path);
    if (!to) return {};
    const auto deadline = deadlineAfter(timeoutMilliseconds);
    // A Unix socket connects at once or not at all; only a full queue of
    // pending connections asks to try again.
    for (;;) {
        Descriptor socket = newSocket();
        if (!socket.valid()) return {};
        if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&*to), sizeof *to) == 0)
            return {ConnectOutcome::Connected, std::move(socket)};
        switch (errno) {
        case ECONNREFUSED: return {ConnectOutcome::Refused, {}};
        case EAGAIN:
        case EINTR:
            if (remaining(deadline) == 0) return {ConnectOutcome::Busy, {}};
            ::poll(nullptr, 0, std::min(remaining(deadline), 5));
            break;
        default: return {};
        }
    }
}

bool sendAll(int socket, const QByteArray& bytes, int timeoutMilliseconds)
{
    const auto deadline = deadlineAfter(timeoutMilliseconds);
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        // MSG_NOSIGNAL: a peer that went is an error here, not a SIGPIPE.
        const ssize_t written = ::send(socket, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent),
                                       MSG_NOSIGNAL);
        if (written > 0) {
            sent += written;
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(socket, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

std::optional<char> receiveByte(int socket, int timeoutMilliseconds)
{
    const auto deadline = deadlineAfter(timeoutMilliseconds);
    for (;;) {
        char byte = 0;
        const ssize_t received = ::recv(socket, &byte, 1, 0);
        if (received == 1) return byte;
        if (received == 0) return std::nullopt;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return std::nullopt;
        if (!waitFor(socket, POLLIN, deadline)) return std::nullopt;
    }
}

std::optional<uid_t> peerUser(int socket)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

Descriptor listen(const std::string& path, bool replace)
{
    if (!address(path)) return {};
    std::string folderTemplate = path + ".XXXXXX";
    // mkdtemp makes the folder 0700: nobody else can reach the socket in it.
    if (!::mkdtemp(folderTemplate.data())) return {};
    const std::string folder = folderTemplate;
    const std::string bound = folder + "/s";
    // The private folder's name is longer than `path`: when it leaves the
    // socket no room, bind() reaches it through a descriptor of the folder.
    Descriptor folderDescriptor;
    auto at = address(bound);
    if (!at) {
        folderDescriptor = Descriptor(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (folderDescriptor.valid()) at = address("/proc/self/fd/" + std::to_string(folderDescriptor.get()) + "/s");
    }
    Descriptor socket = newSocket();
    bool placed = false;
    if (at && socket.valid() && ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&*at), sizeof *at) == 0) {
        placed = ::chmod(bound.c_str(), S_IRWXU) == 0 && ::listen(socket.get(), 50) == 0;
        if (placed) {
            if (replace) {
                placed = ::rename(bound.c_str(), path.c_str()) == 0;
            } else {
                // A hard link never replaces: a file there means another
                // instance started listening meanwhile.
                placed = ::link(bound.c_str(), path.c_str()) == 0;
            }
        }
        ::unlink(bound.c_str());
    }
    ::rmdir(folder.c_str());
    return placed ? std::move(socket) : Descriptor();
}

} // namespace corvane::local_socket
