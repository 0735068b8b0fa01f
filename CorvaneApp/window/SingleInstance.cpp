#include "CorvaneApp/window/SingleInstance.hpp"

#include <QCryptographicHash>
#include <QLocalSocket>

#include <optional>

#include <unistd.h>

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

QString SingleInstance::serverName(const std::filesystem::path& settingsFile)
{
    const auto digest = QCryptographicHash::hash(QByteArray::fromStdString(settingsFile.string()),
                                                 QCryptographicHash::Sha256)
                            .toHex()
                            .left(16);
    return QStringLiteral("brelmo-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

SingleInstance::SingleInstance(QString serverName, QObject* parent) : QObject(parent), name_(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isListening() const { return server_ && server_->isListening(); }

bool SingleInstance::handOffOrListen(const std::vector<std::filesystem::path>& files, int timeoutMilliseconds)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(timeoutMilliseconds)) {
        socket.write(encode(files));
        socket.waitForBytesWritten(timeoutMilliseconds);
        // The running instance answers once it has the files, so that they
        // are not lost when this process exits before they were read. One
        // that is too busy to answer in time still runs: never a second one.
        while (socket.bytesAvailable() == 0 && socket.waitForReadyRead(timeoutMilliseconds)) {}
        return true;
    }
    const bool leftBehind = socket.error() == QLocalSocket::ConnectionRefusedError;
    listen(leftBehind);
    return false;
}

void SingleInstance::listen(bool replaceLeftBehindSocket)
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file that refuses connections is left from a process that died.
    if (replaceLeftBehindSocket) QLocalServer::removeServer(name_);
    server_->listen(name_);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const auto size = payloadSize(*buffer);
            if (!size) return;
            if (*size > maximumMessageBytes) {
                socket->abort();
                return;
            }
            if (buffer->size() < 4 + *size) return;
            const auto files = decode(buffer->mid(4, *size));
            buffer->clear();
            socket->write(QByteArray(1, acknowledgement));
            socket->flush();
            emit filesReceived(files);
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

} // namespace corvane
