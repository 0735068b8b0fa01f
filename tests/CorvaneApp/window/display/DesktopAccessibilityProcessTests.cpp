// The real program on a private session bus, with the test's fake desktop
// portal: what it logs about the desktop's wishes, and that its window comes
// up whether or not a portal answers, and on a bus whose daemon hangs.
#include <gtest/gtest.h>

#include <QProcess>

#include "FakeDesktopPortal.hpp"
#include "WindowTestSupport.hpp"
#include "support/SilentSessionBus.hpp"

namespace {

// The program, started on `busAddress` with a settings folder of its own;
// everything it writes to its terminal is gathered.
class LoggedProgram {
public:
    explicit LoggedProgram(const QString& busAddress)
    {
        sharedJackServer();
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((files_.path() / "config").string()));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.corvane.linux.startup.info=true"));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral(BRELMO_EXECUTABLE), {});
        process_.waitForStarted(5000);
    }
    ~LoggedProgram()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
    }

    // Waits until the program has written `text`.
    bool logs(const QString& text, std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        return processEventsUntil(
            [&] {
                log_ += QString::fromUtf8(process_.readAll());
                return log_.contains(text);
            },
            timeout);
    }
    const QString& log() const { return log_; }

    // Sends SIGTERM; true when the program has ended within `timeout`.
    bool quitsWithin(std::chrono::milliseconds timeout)
    {
        process_.terminate();
        return process_.waitForFinished(int(timeout.count()));
    }

private:
    FileFolder files_;
    QProcess process_;
    QString log_;
};

} // namespace

TEST(DesktopAccessibilityProcess, FollowsThePortalWithoutARestart)
{
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    FakeDesktopPortal portal(bus.address());
    ASSERT_TRUE(portal.isRegistered());
    portal.set(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), false);

    LoggedProgram program(bus.address());
    const QString reducing = QStringLiteral("desktop accessibility: reduce motion on, increased contrast off");
    const QString animating = QStringLiteral("desktop accessibility: reduce motion off, increased contrast off");
    ASSERT_TRUE(program.logs(reducing)) << program.log().toStdString();
    EXPECT_FALSE(program.log().contains(animating));
    portal.change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), true);
    EXPECT_TRUE(program.logs(animating)) << program.log().toStdString();
    EXPECT_TRUE(program.logs(QStringLiteral("practice session controller made"))) << program.log().toStdString();
}

TEST(DesktopAccessibilityProcess, WithoutAPortalTheWindowComesUpWithBothOff)
{
    PrivateSessionBus bus;
    LoggedProgram program(bus.address());
    EXPECT_TRUE(program.logs(QStringLiteral("first frame painted"))) << program.log().toStdString();
    EXPECT_TRUE(program.logs(QStringLiteral("practice session controller made"))) << program.log().toStdString();
    EXPECT_TRUE(program.logs(QStringLiteral("desktop accessibility: reduce motion off, increased contrast off")))
        << program.log().toStdString();
}

// A daemon that takes the connection and never answers would hold Qt's
// accessibility bridge, and the window with it, for 25 s and more: the
// program gives it up within a moment, goes on as without a bus, and
// answers SIGTERM.
TEST(DesktopAccessibilityProcess, AHungBusHoldsNeitherTheWindowNorTheQuit)
{
    SilentSessionBus hung;
    ASSERT_FALSE(hung.address().isEmpty());
    LoggedProgram program(hung.address());
    EXPECT_TRUE(program.logs(QStringLiteral("first frame painted"), std::chrono::seconds(5)))
        << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("does not answer; going on without it")))
        << program.log().toStdString();
    EXPECT_TRUE(program.logs(QStringLiteral("desktop accessibility: reduce motion off, increased contrast off")))
        << program.log().toStdString();
    EXPECT_TRUE(program.logs(QStringLiteral("practice session controller made"))) << program.log().toStdString();
    EXPECT_TRUE(program.quitsWithin(std::chrono::seconds(5)));
}
