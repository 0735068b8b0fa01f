#include <gtest/gtest.h>

#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "CorvaneApp/window/SingleInstance.hpp"
#include "SocketPathFolder.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using corvane::SingleInstance;
using Paths = std::vector<std::filesystem::path>;

namespace {

// A socket's place as the application names it: an absolute path, here in
// a folder of the test's own.
QString socketIn(const TestFolder& folder, const char* name = "brelmo-test")
{
    return QString::fromStdString((folder.path() / name).string());
}

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
            reply.hungUp = socket.state() == QLocalSocket::UnconnectedState || !socket.waitForReadyRead(1000);
        }
        done = true;
    });
    processEventsUntil([&] { return done.load(); });
    client.join();
    return reply;
}

sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    return address;
}

int connectedSocket(const std::string& path, int flags = 0)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | flags, 0);
    const auto address = addressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

// The warnings logged while it lives, from any thread.
class Warnings {
public:
    Warnings() { previous_ = qInstallMessageHandler(&Warnings::collect); }
    ~Warnings()
    {
        qInstallMessageHandler(previous_);
        std::lock_guard lock(mutex());
        lines().clear();
    }
    bool contain(const char* text) const
    {
        std::lock_guard lock(mutex());
        for (const auto& line : lines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtWarningMsg) return;
        std::lock_guard lock(mutex());
        lines().push_back(message.toStdString());
    }
    static std::mutex& mutex()
    {
        static std::mutex value;
        return value;
    }
    static std::vector<std::string>& lines()
    {
        static std::vector<std::string> value;
        return value;
    }
    QtMessageHandler previous_ = nullptr;
};

// Sets an environment variable while it lives.
class Environment {
public:
    Environment(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~Environment()
    {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::size_t openDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Runs `step` on a thread whose effective user is `user`, as a process of
// that user would; the rest of the process keeps its own (only root may).
template <class Step> bool runAs(uid_t user, Step step)
{
    bool switched = false;
    std::thread other([&] {
        // The system call, not setresuid(3), which switches every thread.
        switched = ::syscall(SYS_setresuid, -1, user, -1) == 0;
        if (switched) step();
    });
    other.join();
    return switched;
}

constexpr uid_t otherUser = 65534; // nobody

} // namespace

TEST(SingleInstance, TheFirstListensInTheRuntimeFolderAndLaterOnesHandTheirFilesOver)
{
    TestFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    Environment runtime("XDG_RUNTIME_DIR", folder.path().string());
    const QString name = QStringLiteral("brelmo-test");
    SingleInstance first(name);
    ASSERT_FALSE(first.handOffOrListen({"/m/ignored.mid"}));
    ASSERT_TRUE(first.isListening());
    struct stat file {};
    ASSERT_EQ(::lstat((folder.path() / "brelmo-test").c_str(), &file), 0);
    EXPECT_TRUE(S_ISSOCK(file.st_mode));
    EXPECT_EQ(file.st_mode & (S_IRWXG | S_IRWXO), 0u) << "only its user may connect";

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

// Every socket path that fits in an address is listened at, however little
// room it leaves the private folder the socket is first bound in; a runtime
// folder that leaves the socket no room gives way to the temporary folder.
TEST(SingleInstance, HandsOffInRuntimeFoldersOfEveryLengthAndFallsBackPastThem)
{
    TestFolder temporary;
    Environment temporaryFolder("TMPDIR", temporary.path().string());
    const auto ownFolder = temporary.path() / ("brelmo-" + std::to_string(::geteuid()));
    const QString name = QStringLiteral("brelmo-test");
    for (const std::size_t bytes : {99, 103, 107, 120}) {
        SCOPED_TRACE(bytes);
        TestFolder runtimeParent;
        const auto runtimeFolder = socketPathFolder(runtimeParent.path(), "brelmo-test", bytes);
        Environment runtime("XDG_RUNTIME_DIR", runtimeFolder.string());
        Warnings warnings;
        SingleInstance first(name);
        ASSERT_FALSE(first.handOffOrListen({}, 2000));
        ASSERT_TRUE(first.isListening());

        const auto folder = bytes <= 107 ? runtimeFolder : ownFolder;
        struct stat file {};
        ASSERT_EQ(::lstat((folder / "brelmo-test").c_str(), &file), 0);
        EXPECT_TRUE(S_ISSOCK(file.st_mode));
        EXPECT_EQ(file.st_mode & (S_IRWXG | S_IRWXO), 0u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "no private folder left";
        EXPECT_EQ(warnings.contain("is used instead"), bytes > 107);
        if (bytes > 107) {
            EXPECT_TRUE(warnings.contain(("as " + runtimeFolder.string() +
                                          " gives the socket a path of 120 bytes, more than the 107 a socket's path "
                                          "may have; " + ownFolder.string() + " is used instead")
                                             .c_str()));
        }

        std::optional<Paths> received;
        ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/a.mid"}, received, first));
        EXPECT_EQ(received, Paths{"/m/a.mid"});
    }
}

// With no folder of the user's own (here its place in the temporary folder
// is taken by a link), every start opens its own window and says why.
TEST(SingleInstance, WithoutAFolderOfTheUsersOwnItNeitherListensNorHandsOff)
{
    TestFolder temporary;
    std::filesystem::create_directory_symlink(temporary.path(),
                                              temporary.path() / ("brelmo-" + std::to_string(::geteuid())));
    Environment runtime("XDG_RUNTIME_DIR", "");
    Environment temporaryFolder("TMPDIR", temporary.path().string());
    Warnings warnings;
    SingleInstance instance(QStringLiteral("brelmo-test"));
    EXPECT_FALSE(instance.handOffOrListen({}, 500));
    EXPECT_FALSE(instance.isListening());
    EXPECT_TRUE(warnings.contain("is a symbolic link; every start opens a window of its own"));
}

TEST(SingleInstance, TakesOverTheSocketOfAnInstanceThatDied)
{
    TestFolder folder;
    const QString name = socketIn(folder);
    // What a killed instance leaves: a socket file nobody accepts on.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const auto address = addressOf(name.toStdString());
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(name.toStdString()));

    SingleInstance revived(name);
    EXPECT_FALSE(revived.handOffOrListen({}, 500));
    EXPECT_TRUE(revived.isListening());

    std::optional<Paths> received;
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/x.mid"}, received, revived));
    EXPECT_EQ(received, Paths{"/m/x.mid"});
}

// Programs built on Qt's QLocalServer and QLocalSocket speak the format
// both ways; a message arrives in pieces, and one too long is dropped
// without stopping the service.
TEST(SingleInstance, SpeaksTheFormatOfQtLocalSocketsBothWays)
{
    {
        TestFolder folder;
        const QString name = socketIn(folder);
        QLocalServer running;
        ASSERT_TRUE(running.listen(name));
        QByteArray read;
        QObject::connect(&running, &QLocalServer::newConnection, [&] {
            QLocalSocket* socket = running.nextPendingConnection();
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

    TestFolder folder;
    const QString name = socketIn(folder);
    SingleInstance current(name);
    ASSERT_FALSE(current.handOffOrListen({}, 500));
    ASSERT_TRUE(current.isListening());

    std::vector<Paths> received;
    QObject::connect(&current, &SingleInstance::filesReceived, [&](const Paths& files) { received.push_back(files); });
    // The length itself split; the message answered, then the connection closed.
    const QByteArray whole = message(QByteArray("/m/older.mid\0", 13));
    const Reply answered = sendFromQtClient(name, {whole.left(2), whole.mid(2, 7), whole.mid(9)});
    EXPECT_EQ(answered.answer, QByteArray("\x06"));
    EXPECT_TRUE(answered.hungUp);
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

// Another user's socket in the instance's place is sent nothing: the
// instance opens its own window and listens there itself; and a client of
// another user that reaches the running instance is hung up on unread.
TEST(SingleInstance, NeitherSideTalksToAnotherUser)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root can act as another user";
    TestFolder folder;
    ::chmod(folder.path().c_str(), 0755);
    const QString name = socketIn(folder);
    const std::string path = name.toStdString();
    Warnings warnings;

    const int foreign = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const auto address = addressOf(path);
    ASSERT_EQ(::bind(foreign, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::chown(path.c_str(), otherUser, otherUser), 0);
    // The listening process's user is what the other end is told.
    ASSERT_TRUE(runAs(otherUser, [&] { ::listen(foreign, 8); }));

    SingleInstance instance(name);
    EXPECT_FALSE(instance.handOffOrListen({"/m/private.mid"}, 2000));
    EXPECT_TRUE(instance.isListening());
    EXPECT_TRUE(warnings.contain("answers for another user (uid 65534): it is sent nothing"));
    // The foreign listener was connected to, and hung up on before a byte.
    const int accepted = ::accept(foreign, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    char byte = 0;
    EXPECT_EQ(::recv(accepted, &byte, 1, 0), 0);
    ::close(accepted);
    ::close(foreign);

    // This user's later starts find the instance in that place.
    std::optional<Paths> received;
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/mine.mid"}, received, instance));
    EXPECT_EQ(received, Paths{"/m/mine.mid"});

    // A client of another user, let in by the socket file's rights.
    ::chmod(path.c_str(), 0777);
    received.reset();
    QObject::connect(&instance, &SingleInstance::filesReceived, [&](const Paths& files) { received = files; });
    std::atomic<bool> done{false};
    Reply reply;
    std::thread client([&] {
        const bool ran = runAs(otherUser, [&] {
            const int fd = connectedSocket(path);
            if (fd < 0) return;
            const QByteArray sent = message(QByteArray("/m/planted.mid\0", 15));
            ::send(fd, sent.constData(), static_cast<size_t>(sent.size()), MSG_NOSIGNAL);
            pollfd entry{fd, POLLIN, 0};
            char answer = 0;
            if (::poll(&entry, 1, 5000) == 1 && ::recv(fd, &answer, 1, 0) == 1) reply.answer += answer;
            else reply.hungUp = true;
            ::close(fd);
        });
        EXPECT_TRUE(ran);
        done = true;
    });
    processEventsUntil([&] { return done.load(); });
    client.join();
    EXPECT_TRUE(reply.hungUp);
    EXPECT_EQ(reply.answer, QByteArray());
    processEventsFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(received);
    EXPECT_TRUE(warnings.contain("refused a hand-off from another user (uid 65534)"));
}

// Thousands of clients that connect and say nothing hold a few descriptors
// of the program at most, never the program's own share, and each is hung
// up on within the time a connection has; a real hand-off among them still
// gets through.
TEST(SingleInstance, IdleClientsAreFewAtOnceAndHungUpOnAfterAFewSeconds)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit previous = limit;
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
    ::setrlimit(RLIMIT_NOFILE, &limit);
    const std::size_t clients = std::min<std::size_t>(3000, limit.rlim_cur - 200);
    ASSERT_GT(clients, 10 * SingleInstance::maximumConnections);

    TestFolder folder;
    const QString name = socketIn(folder);
    SingleInstance instance(name);
    ASSERT_FALSE(instance.handOffOrListen({}, 500));
    const std::size_t before = openDescriptors();

    std::vector<int> idle;
    std::atomic<bool> connected{false};
    std::thread flood([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (idle.size() < clients && std::chrono::steady_clock::now() < deadline) {
            const int fd = connectedSocket(name.toStdString(), SOCK_NONBLOCK);
            if (fd >= 0) idle.push_back(fd);
            else std::this_thread::sleep_for(std::chrono::microseconds(200)); // its queue full: a moment for it
        }
        connected = true;
    });
    processEventsUntil([&] { return connected.load(); }, std::chrono::seconds(30));
    flood.join();
    ASSERT_EQ(idle.size(), clients);
    const auto start = std::chrono::steady_clock::now();
    processEventsFor(std::chrono::milliseconds(200)); // the last ones taken
    EXPECT_LE(openDescriptors() - before - clients, SingleInstance::maximumConnections);

    std::optional<Paths> received;
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/through.mid"}, received, instance));
    EXPECT_EQ(received, Paths{"/m/through.mid"});

    const auto hungUp = [&] {
        std::size_t count = 0;
        for (const int fd : idle) {
            char byte = 0;
            if (::recv(fd, &byte, 1, MSG_DONTWAIT) == 0) ++count;
        }
        return count;
    };
    const auto timeout = std::chrono::duration<double>(SingleInstance::connectionTimeoutSeconds);
    processEventsUntil([&] { return hungUp() == clients; }, std::chrono::seconds(10));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(hungUp(), clients);
    EXPECT_LT(waited, timeout + std::chrono::seconds(2));
    EXPECT_EQ(openDescriptors() - before - clients, 0u);
    for (const int fd : idle) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &previous);
}

// Out of descriptors for a moment (the devices and saves hold them), the
// running instance takes the waiting hand-off once one is free again, and
// goes on listening.
TEST(SingleInstance, KeepsListeningThroughAMomentWithoutFreeDescriptors)
{
    TestFolder folder;
    const QString name = socketIn(folder);
    SingleInstance instance(name);
    ASSERT_FALSE(instance.handOffOrListen({}, 500));
    std::optional<Paths> received;
    QObject::connect(&instance, &SingleInstance::filesReceived, [&](const Paths& files) { received = files; });

    const int client = ::socket(AF_UNIX, SOCK_STREAM, 0);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit previous = limit;
    limit.rlim_cur = openDescriptors() + 16;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    std::vector<int> taken;
    for (int fd; (fd = ::dup(client)) >= 0;) taken.push_back(fd);
    const auto address = addressOf(name.toStdString());
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const QByteArray sent = message(QByteArray("/m/later.mid\0", 13));
    ::send(client, sent.constData(), static_cast<size_t>(sent.size()), MSG_NOSIGNAL);
    processEventsFor(std::chrono::milliseconds(300));
    EXPECT_FALSE(received);

    for (const int fd : taken) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &previous);
    EXPECT_TRUE(processEventsUntil([&] { return received.has_value(); }, std::chrono::seconds(5)));
    EXPECT_EQ(received, Paths{"/m/later.mid"});
    ::close(client);
    EXPECT_TRUE(instance.isListening());
    ASSERT_TRUE(handOffFromAnotherInstance(name, {"/m/next.mid"}, received, instance));
    EXPECT_EQ(received, Paths{"/m/next.mid"});
}

// A running instance that is stopped (SIGSTOP) takes nothing: a later start
// still opens no window of its own, and says on stderr that it got no
// answer and whether the files wait in the socket for the instance.
TEST(SingleInstance, SaysWhenTheRunningInstanceDoesNotAnswer)
{
    TestFolder folder;
    const QString name = socketIn(folder);
    // A stopped instance's socket: connections queue up, none is accepted.
    const int stopped = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const auto address = addressOf(name.toStdString());
    ASSERT_EQ(::bind(stopped, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(stopped, 0), 0);

    {
        Warnings warnings;
        SingleInstance later(name);
        EXPECT_TRUE(later.handOffOrListen({"/m/waiting.mid"}, 300));
        EXPECT_FALSE(later.isListening());
        EXPECT_TRUE(warnings.contain(("the running instance at " + name.toStdString() +
                                      " did not answer within 0.3 s; it gets what was sent only once it runs again")
                                         .c_str()));
    }
    // Its queue now full, the next start cannot even send.
    {
        Warnings warnings;
        SingleInstance next(name);
        EXPECT_TRUE(next.handOffOrListen({"/m/lost.mid"}, 300));
        EXPECT_TRUE(warnings.contain("did not answer within 0.3 s; nothing was handed to it"));
    }
    // Running again, it finds the first start's message whole.
    const int accepted = ::accept(stopped, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    QByteArray read(64, '\0');
    read.resize(::recv(accepted, read.data(), read.size(), MSG_DONTWAIT));
    EXPECT_EQ(read, message(QByteArray("/m/waiting.mid\0", 15)));
    ::close(accepted);
    ::close(stopped);
}
