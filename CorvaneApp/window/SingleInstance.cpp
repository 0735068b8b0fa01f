#include "CorvaneApp/window/SingleInstance.hpp"

#include "CorvaneApp/window/SocketFolder.hpp"

#include <QCryptographicHash>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>

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

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string describeUser(std::optional<uid_t> user)
{
    return user ? "uid " + std::to_string(*user) : std::string("a user the system does not name");
}

// A running instance that takes no hand-off in time is stopped (SIGSTOP, a
// debugger) or stuck: this start still exits, but not without a word.
void warnUnanswered(const std::string& path, bool sent, int timeoutMilliseconds)
{
    qWarning("brelmo: the running instance at %s did not answer within %g s; %s", path.c_str(),
             timeoutMilliseconds / 1000.0,
             sent ? "it gets what was sent only once it runs again" : "nothing was handed to it");
}

} // namespace

// An accepted connection: its socket, the bytes read so far, what tells the
// event loop to read more, and when it was accepted.
struct SingleInstance::Connection {
    local_socket::Descriptor socket;
    QSocketNotifier* notifier = nullptr;
    QByteArray buffer;
    double acceptedAt = 0;
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

std::optional<std::string> SingleInstance::socketPath() const
{
    const std::string name = QFile::encodeName(name_).toStdString();
    if (name_.startsWith(QLatin1Char('/'))) return name;
    try {
        const auto folder = SocketFolder::forThisUser(name);
        if (folder.runtimeFolderPassedOver)
            qWarning("brelmo: the runtime folder is not used for the hand-off between instances, as %s; %s is "
                     "used instead",
                     folder.runtimeFolderPassedOver->what(), folder.path.c_str());
        return (folder.path / name).string();
    } catch (const SocketFolderError& error) {
        qWarning("brelmo: no folder of this user's own for the hand-off between instances, as %s; every start "
                 "opens a window of its own",
                 error.what());
        return std::nullopt;
    }
}

bool SingleInstance::handOffOrListen(const std::vector<std::filesystem::path>& files, int timeoutMilliseconds)
{
    using local_socket::ConnectOutcome;
    const auto path = socketPath();
    if (!path) return false;
    // A second round when another instance started listening between this
    // one's attempt to connect and its own listening: it hands off to that one.
    for (int round = 0; round < 2; ++round) {
        auto connection = local_socket::connect(*path, timeoutMilliseconds);
        switch (connection.outcome) {
        case ConnectOutcome::Connected: {
            const auto peer = local_socket::peerUser(connection.socket.get());
            if (peer != ::geteuid()) {
                qWarning("brelmo: the socket %s answers for another user (%s): it is sent nothing, and this "
                         "instance opens its own window",
                         path->c_str(), describeUser(peer).c_str());
                // The place is this user's: later starts find this instance there.
                listen(*path, true);
                return false;
            }
            // The running instance answers once it has the files, so that
            // they are not lost when this process exits before they were
            // read. One too busy to answer in time still runs: never a
            // second one.
            const bool sent = local_socket::sendAll(connection.socket.get(), encode(files), timeoutMilliseconds);
            if (sent && local_socket::receiveByte(connection.socket.get(), timeoutMilliseconds) == acknowledgement)
                return true;
            warnUnanswered(*path, sent, timeoutMilliseconds);
            return true;
        }
        case ConnectOutcome::Busy: warnUnanswered(*path, false, timeoutMilliseconds); return true;
        // A socket file that refuses connections is left from a process that died.
        case ConnectOutcome::Refused:
            if (listen(*path, true)) return false;
            break;
        case ConnectOutcome::NothingThere:
            if (listen(*path, false)) return false;
            break;
        }
    }
    qWarning("brelmo: cannot listen at %s; later starts open windows of their own", path->c_str());
    return false;
}

bool SingleInstance::listen(const std::string& path, bool replaceSocketThere)
{
    auto socket = local_socket::listen(path, replaceSocketThere);
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
    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    connect(timeout_, &QTimer::timeout, this, [this] {
        const double now = steadySeconds();
        closeConnectionsOpenedBefore(now - connectionTimeoutSeconds);
        scheduleTimeout(now);
    });
    return true;
}

void SingleInstance::acceptConnections()
{
    // At most a full set of connections a turn: a flood of clients does not
    // hold the window, and the rest are taken on the next turns.
    for (std::size_t taken = 0; taken < maximumConnections;) {
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
        ++taken;
        take(local_socket::Descriptor(accepted), steadySeconds());
    }
}

void SingleInstance::take(local_socket::Descriptor socket, double now)
{
    const auto peer = local_socket::peerUser(socket.get());
    if (peer != ::geteuid()) {
        qWarning("brelmo: refused a hand-off from another user (%s)", describeUser(peer).c_str());
        return;
    }
    auto connection = std::make_unique<Connection>();
    connection->socket = std::move(socket);
    connection->acceptedAt = now;
    connection->notifier = new QSocketNotifier(connection->socket.get(), QSocketNotifier::Read, this);
    Connection* raw = connection.get();
    connect(connection->notifier, &QSocketNotifier::activated, this, [this, raw] { readFrom(*raw); });
    connections_.push_back(std::move(connection));
    if (connections_.size() > maximumConnections) close(*connections_.front());
    if (!timeout_->isActive()) scheduleTimeout(now);
    // A later instance sends as it connects: its message is mostly here already.
    readFrom(*raw);
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
        const auto size = payloadSize(connection.buffer);
        if (!size) continue;
        if (*size > maximumMessageBytes) {
            close(connection);
            return;
        }
        if (connection.buffer.size() < 4 + *size) continue;
        // One message a connection: answered, closed, and only then handed
        // on, as what receives it may run an event loop of its own.
        const auto files = decode(connection.buffer.mid(4, *size));
        ::send(connection.socket.get(), &acknowledgement, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        close(connection);
        emit filesReceived(files);
        return;
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

void SingleInstance::closeConnectionsOpenedBefore(double time)
{
    while (!connections_.empty() && connections_.front()->acceptedAt < time) close(*connections_.front());
}

void SingleInstance::scheduleTimeout(double now)
{
    if (connections_.empty()) return;
    // The oldest connection's time is up first.
    const double left = connections_.front()->acceptedAt + connectionTimeoutSeconds - now;
    timeout_->start(std::max(0, static_cast<int>(std::ceil(left * 1000.0))));
}

} // namespace corvane
