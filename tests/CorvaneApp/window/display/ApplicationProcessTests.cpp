// The real program, started as the operating system starts it, on the X
// server of the test: window titles are read from the server itself.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "CorvaneApp/TrackTestSongs.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

#include "WindowTestSupport.hpp"
#include "XScreen.hpp"

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

    // `readErrors`: the program's standard error is kept for the test, not shown.
    QProcess& start(const QStringList& arguments, bool readErrors = false)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment_);
        process->setProcessChannelMode(readErrors ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(BRELMO_EXECUTABLE), arguments);
        process->waitForStarted(5000);
        running_.push_back(std::move(process));
        return *running_.back();
    }

    static QString path(const std::filesystem::path& file) { return QString::fromStdString(file.string()); }
    QProcessEnvironment& environment() { return environment_; }
    std::filesystem::path settingsFile() const { return files.path() / "config" / "brelmo" / "defaults.json"; }

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

// A song of many tracks handed to a running window puts the track sheet in
// front of it, painted, and the sheet takes the clicks the window refuses
// while it is up. There is no window manager to lift a sheet left under
// the window.
TEST(ApplicationProcess, AHandedSongOfManyTracksShowsItsSheetOnTopDrawnAndTakingClicks)
{
    ProgramUser user;
    user.environment().insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.corvane.linux.startup.info=true"));
    QProcess& first = user.start({}, true);
    // Up to its screens: a file that comes sooner waits for them, and its sheet comes after the window.
    QByteArray errors;
    ASSERT_TRUE(processEventsUntil(
        [&] {
            errors += first.readAllStandardError();
            return errors.contains("practice session controller made");
        },
        std::chrono::seconds(30)))
        << errors.right(4000).toStdString();
    ASSERT_TRUE(waitForWindow(QStringLiteral("Brelmo")));
    processEventsFor(std::chrono::milliseconds(500));
    std::vector<TestTrack> tracks(300);
    for (std::size_t t = 0; t < tracks.size(); ++t) tracks[t] = {"Faixa " + std::to_string(t + 1), 4};
    QProcess& second = user.start({ProgramUser::path(user.files.write("Trezentas.mid", trackSong(tracks)))});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);

    const QString sheetName = QStringLiteral("Escolha as faixas");
    std::optional<XWindow> sheet;
    ASSERT_TRUE(processEventsUntil(
        [&] {
            const auto windows = stackedWindows();
            const auto place = stackingPlace(windows, sheetName);
            if (place && isViewable(windows[*place].id)) sheet = windows[*place];
            return sheet.has_value();
        },
        std::chrono::seconds(20)))
        << windowNames().join(", ").toStdString();
    // Mapped first at the screen's corner, the sheet then moves over its window: where it settles counts.
    const auto settledSheet = [&] {
        const auto windows = stackedWindows();
        const auto place = stackingPlace(windows, sheetName);
        return place ? std::optional(windows[*place]) : std::nullopt;
    };
    processEventsUntil(
        [&] {
            processEventsFor(std::chrono::milliseconds(250));
            const auto now = settledSheet();
            return now && std::exchange(sheet, now)->geometry == now->geometry;
        },
        std::chrono::seconds(10));
    const auto windows = stackedWindows();
    ASSERT_TRUE(stackingPlace(windows, QStringLiteral("Trezentas")));
    EXPECT_LT(stackingPlace(windows, sheetName), stackingPlace(windows, QStringLiteral("Trezentas")));
    EXPECT_TRUE(windows[*stackingPlace(windows, QStringLiteral("Trezentas"))].geometry.contains(sheet->geometry))
        << "the sheet stands over its window";

    // Drawn: once the screen there is still, raising the sheet changes nothing on it.
    const auto stillPixels = [&] {
        QImage last = screenPixels(sheet->geometry);
        processEventsUntil(
            [&] {
                processEventsFor(std::chrono::milliseconds(250));
                QImage now = screenPixels(sheet->geometry);
                return std::exchange(last, now) == now;
            },
            std::chrono::seconds(10));
        return last;
    };
    const QImage shown = stillPixels();
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowraise"), QString::number(sheet->id)});
    EXPECT_TRUE(shown == stillPixels()) << "the screen showed something else where the sheet is";

    // "Começar", at the footer's trailing end, closes it.
    const QPoint start = sheet->geometry.bottomRight() - QPoint(60, 26);
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(start.x()),
                                                 QString::number(start.y()), QStringLiteral("click"),
                                                 QStringLiteral("1")});
    EXPECT_TRUE(processEventsUntil([&] { return !isViewable(sheet->id); }, std::chrono::seconds(5)));
    EXPECT_TRUE(windowNames().contains(QStringLiteral("Trezentas")));
    EXPECT_EQ(first.state(), QProcess::Running);
}

// The sound, MIDI and plugin libraries are not loaded with the program but
// after its first frame, before the services are made; and with them it
// plays on the JACK server, hears MIDI ports and loads an LV2 instrument.
TEST(ApplicationProcess, LoadsItsDeviceLibrariesAfterTheFirstFrameAndMakesItsServicesWithThem)
{
    ProgramUser user;
    {
        corvane::DefaultsStore defaults(user.settingsFile());
        defaults.setString(corvane::PianoAudioEngine::selectedInstrumentPreferenceKey, "61756D75-AD28741D-8A389B00");
        defaults.flush();
    }
    user.environment().insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.corvane.linux.startup.info=true"));
    // The dynamic loader says, in order with the program's own log, when and why it loads a library.
    user.environment().insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    QProcess& program = user.start({}, true);
    QByteArray errors;
    const auto maps = [&] {
        QFile file(QStringLiteral("/proc/%1/maps").arg(program.processId()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_TRUE(processEventsUntil(
        [&] {
            errors += program.readAllStandardError();
            return errors.contains("practice session controller made") && maps().contains("mda.lv2/Piano.so");
        },
        std::chrono::seconds(30)))
        << errors.right(4000).toStdString();

    const auto firstFrame = errors.indexOf("first frame painted");
    const auto fluidSynth = errors.indexOf("file=libfluidsynth.so");
    const auto engine = errors.indexOf("audio engine made");
    ASSERT_GE(firstFrame, 0);
    ASSERT_GE(fluidSynth, 0);
    EXPECT_LT(firstFrame, fluidSynth);
    EXPECT_LT(fluidSynth, engine);
    EXPECT_TRUE(errors.mid(fluidSynth, errors.indexOf('\n', fluidSynth) - fluidSynth).contains("dynamically loaded by"));
    for (const char* library : {"libfluidsynth.so", "librtaudio.so", "librtmidi.so", "libjack.so", "liblilv-0.so",
                                "libsuil-0.so"})
        EXPECT_TRUE(maps().contains(library)) << library;

    // Its sound output and its MIDI client are on the test's server.
    QProcess ports;
    ports.start(QStringLiteral("jack_lsp"), {});
    ASSERT_TRUE(ports.waitForFinished(10000));
    const QByteArray listed = ports.readAllStandardOutput();
    EXPECT_TRUE(listed.contains("Brelmo:outport 0")) << listed.toStdString();
    EXPECT_TRUE(listed.contains("Brelmo MIDI Device Monitor:")) << listed.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
}

// Stopped while its settings file is still being read, the program leaves at
// once and writes nothing: no setting can have been read or changed yet. The
// file is a pipe that the test fills with the first 4 MB of a long-time
// user's file and then holds open, so the reading is surely not over.
TEST(ApplicationProcess, StoppedWhileReadingItsSettingsItLeavesAtOnceAndWritesNothing)
{
    ProgramUser user;
    const auto settings = user.settingsFile();
    std::filesystem::create_directories(settings.parent_path());
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    user.environment().insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.corvane.linux.startup.info=true"));
    QProcess& program = user.start({}, true);

    // A program that died early would leave the pipe without a reader.
    std::signal(SIGPIPE, SIG_IGN);
    int pipe = -1;
    ASSERT_TRUE(processEventsUntil([&] { return (pipe = ::open(settings.c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }));
    ::fcntl(pipe, F_SETFL, 0);
    std::string text = R"({"format": 1, "values": {)";
    for (int entry = 0; text.size() < (4u << 20); ++entry)
        text += "\"practice.history.v1." + std::to_string(entry) + R"(": {"string": "peça número )" +
                std::to_string(entry) + R"( \u00e9 tocada de novo, compasso a compasso"}, )";
    for (std::size_t sent = 0; sent < text.size();) {
        const auto written = ::write(pipe, text.data() + sent, text.size() - sent);
        ASSERT_GT(written, 0);
        sent += std::size_t(written);
    }

    QByteArray errors;
    ASSERT_TRUE(processEventsUntil([&] {
        errors += program.readAllStandardError();
        return errors.contains("first frame painted");
    })) << errors.toStdString();
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(3000)) << "still reading when asked to stop";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    ::close(pipe);

    // Still the user's pipe, never replaced by a written file, and nothing beside it.
    EXPECT_TRUE(std::filesystem::is_fifo(settings));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(settings.parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"defaults.json"});
}
