#pragma once

#include <QByteArray>

#include <sys/types.h>
#include <sys/un.h>

#include <cstddef>
#include <optional>
#include <string>

namespace corvane {

// The blocking POSIX steps of a Unix-domain stream socket, the kind Qt's
// QLocalSocket uses.
namespace local_socket {

// A file descriptor, closed when it goes.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    ~Descriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();

private:
    int fd_ = -1;
};

// The longest path a socket may have: what `sockaddr_un` holds, less its NUL.
constexpr std::size_t maximumPathBytes = sizeof(sockaddr_un::sun_path) - 1;

enum class ConnectOutcome {
    Connected,
    NothingThere,     // no socket file (or one that is no socket)
    Refused,          // a socket file nobody accepts on: its process died
    Busy,             // a listener whose queue stayed full for the whole time
};

struct Connection {
    ConnectOutcome outcome = ConnectOutcome::NothingThere;
    Descriptor socket;   // valid when connected; non-blocking
};

Connection connect(const std::string& path, int timeoutMilliseconds);

// Writes all of `bytes`; false when the peer went or the time ran out.
bool sendAll(int socket, const QByteArray& bytes, int timeoutMilliseconds);

// The next byte the peer sends; nothing when it closes or the time runs out.
std::optional<char> receiveByte(int socket, int timeoutMilliseconds);

// The user of the process at the other end (the one that listened, or the
// one that connected); nothing when the system does not say.
std::optional<uid_t> peerUser(int socket);

// A non-blocking listening socket at `path` that only this user can connect
// to: it is bound and restricted inside a private folder and only then moved
// to `path`, whatever its length up to `maximumPathBytes`. With `replace` it
// takes the place of a file already there; without, it fails when one is
// (another instance won the race).
Descriptor listen(const std::string& path, bool replace);

} // namespace local_socket

} // namespace corvane
