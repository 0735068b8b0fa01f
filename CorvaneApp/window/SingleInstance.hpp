#pragma once

#include <QObject>
#include <QString>

#include "CorvaneApp/window/LocalSocket.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace corvane {

// One running application per user and settings file. The first instance
// listens on a local socket; a later one hands its files to it and exits.
// Plain POSIX sockets on the event loop, in the place and format of Qt's
// local sockets, so that the program does not load Qt Network at start-up.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // A connection sending more than this is dropped unread.
    static constexpr qint64 maximumMessageBytes = 1 << 20;

    // The socket name for a settings file: one instance per user and file.
    static QString serverName(const std::filesystem::path& settingsFile);

    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // When another instance listens: sends it `files` (made absolute against
    // the current folder), waits until it has them and returns true.
    // Otherwise starts listening (in place of a socket left behind by a
    // process that died) and returns false.
    bool handOffOrListen(const std::vector<std::filesystem::path>& files, int timeoutMilliseconds = 2000);

    bool isListening() const;
    const QString& name() const { return name_; }

signals:
    // Files handed over by a later instance, in the order given; empty when
    // it was started without any.
    void filesReceived(const std::vector<std::filesystem::path>& files);

private:
    struct Connection;

    bool listen(const std::string& path, bool replaceLeftBehindSocket);
    void acceptConnections();
    void readFrom(Connection& connection);
    void close(Connection& connection);

    QString name_;
    std::string path_;
    local_socket::Descriptor listener_;
    QSocketNotifier* listenerNotifier_ = nullptr;
    // The socket file this instance placed, told apart from one that took
    // its place later, which is not this instance's to remove.
    std::uint64_t socketFileDevice_ = 0;
    std::uint64_t socketFileInode_ = 0;
    std::vector<std::unique_ptr<Connection>> connections_;
};

} // namespace corvane
