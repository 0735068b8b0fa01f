#include <gtest/gtest.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QUuid>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "CorvaneApp/window/SingleInstance.hpp"
#include "support/QtEventLoop.hpp"

using corvane::SingleInstance;
using Paths = std::vector<std::filesystem::path>;

namespace {

QString uniqueName() { return QStringLiteral("brelmo-test-") + QUuid::createUuid().toString(QUuid::Id128); }

// A later instance in its own thread, so the running one can answer it.
bool handOffFromAnotherInstance(const QString& name, const Paths& files, std::optional<Paths>& received,
                                SingleInstance& running)
{
    received.reset();
    auto connection = QObject::connect(&running, &SingleInstance::filesReceived,
                                       [&](const Paths& files) { received = files; });
    std::atomic<int> result{-1};
    std::thread later([&] {
        SingleInstance instance(name);
        result = instance.handOffOrListen(files, 5000) ? 1 : 0;
    });
    processEventsUntil([&] { return result != -1; });
    later.join();
    QObject::disconnect(connection);
    return result == 1;
}

// A message as instances of every build write it: the payload's length,
// big-endian, then each path and a NUL.
QByteArray message(const QByteArray& payload)
{
    const auto size = static_cast<quint32>(payload.size());
    QByteArray result;
    for (int shift = 24; shift >= 0; shift -= 8) result += static_cast<char>((size >> shift) & 0xFF);
    return result + payload;
}

struct Reply {
    QByteArray answer;
    bool hungUp = false;
};

// What a client built on QLocalSocket gets after sending `parts`, one after
// the other, in a thread of its own while this one runs the event loop.
Reply sendFromQtClient(const QString& name, const std::vector<QByteArray>& parts)
{
    std::atomic<bool> done{false};
    Reply reply;
    std::thread client([&] {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(5000)) {
            for (const auto& part : parts) {
                socket.write(part);
                socket.waitForBytesWritten(5000);
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
            if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(5000)) reply.answer = socket.readAll();
            reply.hungUp = socket.state() == QLocalSocket::UnconnectedState;
        }
        done = true;
    });
    processEventsUntil([&] { return done.load(); });
    client.join();
    return reply;
}

} // namespace

TEST(SingleInstance, TheFirstListensAndLaterOnesHandTheirFilesOver)
{
    const QString name = uniqueName();
    SingleInstance first(name);
    ASSERT_FALSE(first.handOffOrListen({"/m/ignored.mid"}));
    ASSERT_TRUE(first.isListening());

    std::optional<Paths> received;
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/a song.mid", "/m/b.midi"}, received, first));
    EXPECT_EQ(received, (Paths{"/m/a song.mid", "/m/b.midi"}));

    // Relative paths are those of the later instance's folder.
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"relative.mid"}, received, first));
    EXPECT_EQ(received, (Paths{std::filesystem::current_path() / "relative.mid"}));

    // Started without files, it still only brings the running one forward.
    ASSERT_TRUE(handOffFromAnotherInstance(name, {}, received, first));
    EXPECT_EQ(received, Paths{});
}

TEST(SingleInstance, TakesOverTheSocketOfAnInstanceThatDied)
{
    const QString name = uniqueName();
    // What a killed instance leaves: a socket file nobody accepts on.
    const std::string path = (std::filesystem::temp_directory_path() / name.toStdString()).string();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(path));

    SingleInstance revived(name);
    EXPECT_FALSE(revived.handOffOrListen({}, 500));
    EXPECT_TRUE(revived.isListening());

    std::optional<Paths> received;
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/x.mid"}, received, revived));
    EXPECT_EQ(received, Paths{"/m/x.mid"});
}

// Instances of builds on Qt's QLocalServer and QLocalSocket may be the ones
// running or starting: they meet this one at the same socket file, speak the
// same format, and a message too long is dropped without stopping the service.
TEST(SingleInstance, MeetsInstancesBuiltOnQtLocalSocketsBothWays)
{
    {
        const QString name = uniqueName();
        QLocalServer older;
        older.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(older.listen(name));
        QByteArray read;
        QObject::connect(&older, &QLocalServer::newConnection, [&] {
            QLocalSocket* socket = older.nextPendingConnection();
            QObject::connect(socket, &QLocalSocket::readyRead, [&read, socket] {
                read += socket->readAll();
                if (read.size() >= 4 && read.size() == 4 + static_cast<quint8>(read[3])) socket->write("\x06");
            });
        });
        std::atomic<int> result{-1};
        std::chrono::steady_clock::duration waited{};
        std::thread later([&] {
            SingleInstance instance(name);
            const auto start = std::chrono::steady_clock::now();
            result = instance.handOffOrListen({"/m/a.mid", "/m/b c.mid"}, 20000) ? 1 : 0;
            waited = std::chrono::steady_clock::now() - start;
        });
        processEventsUntil([&] { return result != -1; }, std::chrono::seconds(30));
        later.join();
        EXPECT_EQ(result, 1);
        EXPECT_EQ(read, message(QByteArray("/m/a.mid\0/m/b c.mid\0", 20)));
        // The answer ended the wait, not the time running out.
        EXPECT_LT(waited, std::chrono::seconds(10));
    }

    const QString name = uniqueName();
    SingleInstance current(name);
    ASSERT_FALSE(current.handOffOrListen({}, 500));
    ASSERT_TRUE(current.isListening());
    struct stat file {};
    const std::string path = (std::filesystem::temp_directory_path() / name.toStdString()).string();
    ASSERT_EQ(::lstat(path.c_str(), &file), 0);
    EXPECT_TRUE(S_ISSOCK(file.st_mode));
    EXPECT_EQ(file.st_mode & (S_IRWXG | S_IRWXO), 0u) << "only its user may connect";

    std::vector<Paths> received;
    QObject::connect(&current, &SingleInstance::filesReceived, [&](const Paths& files) { received.push_back(files); });
    // The message arrives in pieces, the length itself split.
    const QByteArray whole = message(QByteArray("/m/older.mid\0", 13));
    EXPECT_EQ(sendFromQtClient(name, {whole.left(2), whole.mid(2, 7), whole.mid(9)}).answer, QByteArray("\x06"));
    EXPECT_EQ(received, std::vector<Paths>{Paths{"/m/older.mid"}});

    // Too long: hung up on unanswered, its files never handed on.
    QByteArray tooLong(4, '\0');
    const auto size = static_cast<quint32>(SingleInstance::maximumMessageBytes + 1);
    for (int i = 0; i < 4; ++i) tooLong[i] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
    const Reply dropped = sendFromQtClient(name, {tooLong + "/m/never.mid"});
    EXPECT_TRUE(dropped.hungUp);
    EXPECT_EQ(dropped.answer, QByteArray());
    EXPECT_EQ(received.size(), 1u);

    std::optional<Paths> next;
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/next.mid"}, next, current));
    EXPECT_EQ(next, Paths{"/m/next.mid"});
}
