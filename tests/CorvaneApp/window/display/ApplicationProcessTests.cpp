// The real program, started as the operating system starts it, on the X
// server of the test: window titles are read from the server itself.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "WindowTestSupport.hpp"

namespace {

// The names of every window on the X server.
QStringList windowNames()
{
    QProcess tree;
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!tree.waitForFinished(5000)) return {};
    QStringList names;
    static const QRegularExpression named(QStringLiteral("0x[0-9a-f]+ \"(.*)\": \\("));
    for (const QString& line : QString::fromUtf8(tree.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const auto match = named.match(line);
        if (match.hasMatch()) names << match.captured(1);
    }
    return names;
}

bool waitForWindow(const QString& name, std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    return processEventsUntil([&] { return windowNames().contains(name); }, timeout);
}

// One user of the program: a settings folder of their own, on the test's
// JACK server, so that every instance started here shares one of each.
class ProgramUser {
public:
    ProgramUser()
    {
        sharedJackServer();
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((files.path() / "config").string()));
    }
    ~ProgramUser()
    {
        for (auto& process : running_) {
            process->terminate();
            if (!process->waitForFinished(5000)) process->kill();
            process->waitForFinished(5000);
        }
    }

    QProcess& start(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment_);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(BRELMO_EXECUTABLE), arguments);
        process->waitForStarted(5000);
        running_.push_back(std::move(process));
        return *running_.back();
    }

    static QString path(const std::filesystem::path& file) { return QString::fromStdString(file.string()); }

    FileFolder files;

private:
    QProcessEnvironment environment_;
    std::vector<std::unique_ptr<QProcess>> running_;
};

} // namespace

TEST(ApplicationProcess, OpensTheFileOfItsCommandLineAndHandsLaterOnesToTheRunningInstance)
{
    ProgramUser user;
    QProcess& first = user.start({ProgramUser::path(user.files.song("Primeira Peça.mid"))});
    ASSERT_TRUE(waitForWindow(QStringLiteral("Primeira Peça"))) << windowNames().join(", ").toStdString();

    // A second start hands its file over and leaves; a song is open, so the
    // running instance asks before replacing it.
    QProcess& second = user.start({ProgramUser::path(user.files.song("Segunda.mid"))});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitForWindow(QStringLiteral("Substituir a música aberta?")));
    EXPECT_TRUE(windowNames().contains(QStringLiteral("Primeira Peça")));
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST(ApplicationProcess, ARunningInstanceWithoutASongSwitchesToAHandedFile)
{
    ProgramUser user;
    QProcess& first = user.start({});
    ASSERT_TRUE(waitForWindow(QStringLiteral("Brelmo")));

    QProcess& second = user.start({ProgramUser::path(user.files.song("Entregue.mid"))});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(waitForWindow(QStringLiteral("Entregue"))) << windowNames().join(", ").toStdString();
    EXPECT_FALSE(windowNames().contains(QStringLiteral("Brelmo")));

    // A file that is no MIDI file changes nothing.
    QProcess& third = user.start({ProgramUser::path(user.files.path() / "leia-me.txt")});
    ASSERT_TRUE(third.waitForFinished(10000));
    processEventsFor(std::chrono::milliseconds(500));
    EXPECT_TRUE(windowNames().contains(QStringLiteral("Entregue")));
    EXPECT_FALSE(windowNames().contains(QStringLiteral("Substituir a música aberta?")));
    EXPECT_EQ(first.state(), QProcess::Running);
}
