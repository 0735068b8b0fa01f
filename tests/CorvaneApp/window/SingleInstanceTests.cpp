#include <gtest/gtest.h>

#include <QUuid>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
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
