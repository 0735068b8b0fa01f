#include "CorvaneApp/window/SingleInstance.hpp"

#include <QCryptographicHash>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace corvane {

namespace {

// A message is its payload's length (4 bytes, big-endian), then each path
// followed by a NUL byte, the one byte a path cannot hold.
QByteArray encode(const std::vector<std::filesystem::path>& files)
{
    QByteArray payload;
    for (const auto& file : files) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(file, error);
        payload += QByteArray::fromStdString((error ? file : absolute).string());
        payload += '\0';
    }
    const auto size = static_cast<quint32>(payload.size());
    QByteArray message;
    for (int shift = 24; shift >= 0; shift -= 8) message += static_cast<char>((size >> shift) & 0xFF);
    return message + payload;
}

// The payload's length, once the 4 bytes of it have arrived.
std::optional<qint64> payloadSize(const QByteArray& buffer)
{
    if (buffer.size() < 4) return std::nullopt;
    quint32 size = 0;
    for (int i = 0; i < 4; ++i) size = (size << 8) | static_cast<quint8>(buffer[i]);
    return static_cast<qint64>(size);
}

std::vector<std::filesystem::path> decode(const QByteArray& payload)
{
    std::vector<std::filesystem::path> files;
    for (const auto& part : payload.split('\0'))
        if (!part.isEmpty()) files.emplace_back(part.toStdString());
    return files;
}

constexpr char acknowledgement = '\x06';

} // namespace

// An accepted connection: its socket, the bytes read so far and what tells
// the event loop to read more.
struct SingleInstance::Connection {
    local_socket::Descriptor socket;
    QSocketNotifier* notifier = nullptr;
    QByteArray buffer;
};

QString SingleInstance::serverName(const std::filesystem::path& settingsFile)
{
    const auto digest = QCryptographicHash::hash(QByteArray::fromStdString(settingsFile.string()),
                                                 QCryptographicHash::Sha256)
                            .toHex()
                            .left(16);
    return QStringLiteral("brelmo-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

SingleInstance::SingleInstance(QString serverName, QObject* parent) : QObject(parent), name_(std::move(serverName)) {}

SingleInstance::~SingleInstance()
{
    while (!connections_.empty()) close(*connections_.back());
    if (!listener_.valid()) return;
    // The notifier goes before the socket it watches.
    delete listenerNotifier_;
    // The socket file goes with the instance, unless another one's replaced it.
    struct stat file {};
    if (::lstat(path_.c_str(), &file) == 0 && file.st_dev == socketFileDevice_ && file.st_ino == socketFileInode_)
        ::unlink(path_.c_str());
}

bool SingleInstance::isListening() const { return listener_.valid(); }

bool SingleInstance::handOffOrListen(const std::vector<std::filesystem::path>& files, int timeoutMilliseconds)
{
    using local_socket::ConnectOutcome;
    const std::string path = local_socket::path(name_);
    // A second round when another instance started listening between this
    // one's attempt to connect and its own listening: it hands off to that one.
    for (int round = 0; round < 2; ++round) {
        auto connection = local_socket::connect(path, timeoutMilliseconds);
        switch (connection.outcome) {
        case ConnectOutcome::Connected:
            // The running instance answers once it has the files, so that
            // they are not lost when this process exits before they were
            // read. One too busy to answer in time still runs: never a
            // second one.
            if (local_socket::sendAll(connection.socket.get(), encode(files), timeoutMilliseconds))
                local_socket::receiveByte(connection.socket.get(), timeoutMilliseconds);
            return true;
        case ConnectOutcome::Busy: return true;
        // A socket file that refuses connections is left from a process that died.
        case ConnectOutcome::Refused:
            if (listen(path, true)) return false;
            break;
        case ConnectOutcome::NothingThere:
            if (listen(path, false)) return false;
            break;
        }
    }
    return false;
}

bool SingleInstance::listen(const std::string& path, bool replaceLeftBehindSocket)
{
    auto socket = local_socket::listen(path, replaceLeftBehindSocket);
    if (!socket.valid()) return false;
    struct stat file {};
    if (::lstat(path.c_str(), &file) == 0) {
        socketFileDevice_ = file.st_dev;
        socketFileInode_ = file.st_ino;
    }
    path_ = path;
    listener_ = std::move(socket);
    listenerNotifier_ = new QSocketNotifier(listener_.get(), QSocketNotifier::Read, this);
    connect(listenerNotifier_, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        const int accepted = ::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (accepted < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return; // all taken
            // Out of descriptors or memory: the waiting hand-off is taken a
            // moment later, not in a loop that holds the window.
            listenerNotifier_->setEnabled(false);
            QTimer::singleShot(100, listenerNotifier_, [notifier = listenerNotifier_] { notifier->setEnabled(true); });
            return;
        }
        auto connection = std::make_unique<Connection>();
        connection->socket = local_socket::Descriptor(accepted);
        connection->notifier = new QSocketNotifier(accepted, QSocketNotifier::Read, this);
        Connection* raw = connection.get();
        connect(connection->notifier, &QSocketNotifier::activated, this, [this, raw] { readFrom(*raw); });
        connections_.push_back(std::move(connection));
    }
}

void SingleInstance::readFrom(Connection& connection)
{
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t received = ::recv(connection.socket.get(), chunk, sizeof chunk, 0);
        if (received < 0 && errno == EINTR) continue;
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (received <= 0) { // the peer went, or the connection failed
            close(connection);
            return;
        }
        connection.buffer.append(chunk, received);
        while (const auto size = payloadSize(connection.buffer)) {
            if (*size > maximumMessageBytes) {
                close(connection);
                return;
            }
            if (connection.buffer.size() < 4 + *size) break;
            const auto files = decode(connection.buffer.mid(4, *size));
            connection.buffer.remove(0, 4 + *size);
            ::send(connection.socket.get(), &acknowledgement, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            emit filesReceived(files);
        }
    }
}

void SingleInstance::close(Connection& connection)
{
    // Called from the notifier's own signal: it is switched off now and
    // deleted once that signal has returned.
    connection.notifier->setEnabled(false);
    connection.notifier->deleteLater();
    const auto found = std::find_if(connections_.begin(), connections_.end(),
                                    [&](const auto& held) { return held.get() == &connection; });
    if (found != connections_.end()) connections_.erase(found); // closes the socket
}

} // namespace corvane
