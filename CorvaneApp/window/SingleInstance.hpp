#pragma once

#include <QObject>
#include <QString>

#include "CorvaneApp/window/LocalSocket.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace corvane {

// One running application per user and settings file. The first instance
// listens on a local socket in a folder only its user may enter; a later one
// hands its files to it and exits. Each side hangs up on a peer of another
// user. Plain POSIX sockets on the event loop, in the format of Qt's local
// sockets, so that the program does not load Qt Network at start-up.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // A connection sending more than this is dropped unread.
    static constexpr qint64 maximumMessageBytes = 1 << 20;
    // Connections held at once: a new one beyond them closes the one held
    // longest, so that idle clients cannot take the program's descriptors.
    static constexpr std::size_t maximumConnections = 32;
    // A connection that has not delivered its message by then is closed.
    static constexpr double connectionTimeoutSeconds = 3.0;

    // The socket name for a settings file: one instance per user and file.
    static QString serverName(const std::filesystem::path& settingsFile);

    // `serverName`: a name in the user's socket folder (SocketFolder), or an
    // absolute path, taken as it is.
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // When another instance of this user listens: sends it `files` (made
    // absolute against the current folder), waits until it has them (says
    // on stderr when it does not answer in time) and returns true.
    // Otherwise starts listening (in place of a socket left behind by a
    // process that died, or of another user's) and returns false; with no
    // folder of the user's own, it says why on stderr, does not listen and
    // returns false.
    bool handOffOrListen(const std::vector<std::filesystem::path>& files, int timeoutMilliseconds = 2000);

    bool isListening() const;
    const QString& name() const { return name_; }

signals:
    // Files handed over by a later instance, in the order given; empty when
    // it was started without any.
    void filesReceived(const std::vector<std::filesystem::path>& files);

private:
    struct Connection;

    std::optional<std::string> socketPath() const;
    bool listen(const std::string& path, bool replaceSocketThere);
    void acceptConnections();
    void take(local_socket::Descriptor socket, double now);
    void readFrom(Connection& connection);
    void close(Connection& connection);
    void closeConnectionsOpenedBefore(double time);
    void scheduleTimeout(double now);

    QString name_;
    std::string path_;
    local_socket::Descriptor listener_;
    QSocketNotifier* listenerNotifier_ = nullptr;
    // The socket file this instance placed, told apart from one that took
    // its place later, which is not this instance's to remove.
    std::uint64_t socketFileDevice_ = 0;
    std::uint64_t socketFileInode_ = 0;
    // Oldest first.
    std::deque<std::unique_ptr<Connection>> connections_;
    QTimer* timeout_ = nullptr;
};

} // namespace corvane
