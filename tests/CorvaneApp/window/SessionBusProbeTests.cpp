// Whether the session bus answers, asked before Qt reaches it: a working bus,
// a missing one, and one whose daemon hangs.
#include <gtest/gtest.h>

#include <QDBusConnection>

#include <chrono>
#include <cstdlib>

#include "CorvaneApp/window/SessionBusProbe.hpp"
#include "support/PrivateSessionBus.hpp"
#include "support/SilentSessionBus.hpp"

using namespace corvane;
using Verdict = SessionBusProbe::Verdict;

namespace {

std::chrono::milliseconds sinceThen(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

// The session bus address of the process, put back as it was.
class SessionBusAddress {
public:
    SessionBusAddress()
    {
        if (const char* value = std::getenv("DBUS_SESSION_BUS_ADDRESS")) saved_ = value;
    }
    ~SessionBusAddress()
    {
        if (saved_) ::setenv("DBUS_SESSION_BUS_ADDRESS", saved_->c_str(), 1);
        else ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    void set(const QString& address) { ::setenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8().constData(), 1); }
    std::string current() const
    {
        const char* value = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        return value ? value : "";
    }

private:
    std::optional<std::string> saved_;
};

} // namespace

TEST(SessionBusProbe, AWorkingBusAnswersAndAMissingOneFailsAtOnceBothLeftAsTheyAre)
{
    SessionBusAddress environment;
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    environment.set(bus.address());
    EXPECT_EQ(SessionBusProbe().avoidIfSilent(), Verdict::answered);
    EXPECT_EQ(environment.current(), bus.address().toStdString());

    const auto start = std::chrono::steady_clock::now();
    environment.set(QStringLiteral("unix:path=/nonexistent/brelmo-bus"));
    EXPECT_EQ(SessionBusProbe().avoidIfSilent(), Verdict::unreachable);
    EXPECT_EQ(environment.current(), "unix:path=/nonexistent/brelmo-bus");
    EXPECT_LT(sinceThen(start), SessionBusProbe::defaultPatience);

    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(SessionBusProbe().avoidIfSilent(), Verdict::noAddress);
    EXPECT_EQ(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr);
}

TEST(SessionBusProbe, AHungBusIsGivenUpAfterItsPatienceAndLeftForAnAddressThatFailsAtOnce)
{
    SessionBusAddress environment;
    SilentSessionBus hung;
    ASSERT_FALSE(hung.address().isEmpty());
    environment.set(hung.address());

    const auto patience = std::chrono::milliseconds(200);
    const auto start = std::chrono::steady_clock::now();
    SessionBusProbe probe(std::nullopt, patience);
    EXPECT_EQ(probe.avoidIfSilent(), Verdict::silent);
    EXPECT_GE(sinceThen(start), patience);
    EXPECT_LT(sinceThen(start), patience + std::chrono::seconds(2));
    EXPECT_EQ(hung.connections(), 1u);
    EXPECT_EQ(environment.current(), SessionBusProbe::avoidedAddress);

    // What Qt's users of the bus then meet: no bus, at once.
    const auto connecting = std::chrono::steady_clock::now();
    const auto name = QStringLiteral("brelmo-probe-test");
    EXPECT_FALSE(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name).isConnected());
    QDBusConnection::disconnectFromBus(name);
    EXPECT_LT(sinceThen(connecting), std::chrono::seconds(2));
}
