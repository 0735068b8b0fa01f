// bench_startup [RUNS]: starts the real program RUNS times (default 5) in
// each of three situations, a settings folder never used, one whose last
// session reopens a song, and that one with a long-time user's settings file
// (10,000 history entries, 200 songs with 50 saved loops each), and prints
// the median time from the start of the process to its first painted frame
// and to the services being ready; then, for each, the longest time the
// program's main thread went without a turn of its event loop from the
// start of the process to 2 s after its first frame (median of the runs,
// each run's figure below it), read from the program's own heartbeat, and
// that figure's two parts: the time to the first turn and the longest gap
// after it. First it prints the machine's floor for the first part: a bare
// Qt Widgets window's time from process start to its first turn.
// Each launch starts a second after the last run ended: started at once, a
// program here (the bare window too) takes 30 to 50 ms longer to make its Qt
// application object, while the machine is still clearing up after the last
// one, which is not what a user starting the program meets. The programs
// find a session bus of the benchmark's own, as on a desktop: without one,
// Qt's accessibility bridge waits at the event loop's start while the D-Bus
// library forks to try to launch one.
// Needs an X server (xvfb-run); sound goes to a private JACK dummy server.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "library/LargeSettings.hpp"
#include "support/JackTestServer.hpp"
#include "support/PrivateSessionBus.hpp"
#include "support/SMFWriter.hpp"

namespace {

struct Launch {
    double firstFrameMilliseconds = 0;
    double servicesMilliseconds = 0;
    double longestStallMilliseconds = 0;
    double firstTurnMilliseconds = 0;
    double longestGapMilliseconds = 0;
};

double steadyMilliseconds()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The number after `label` in `line`.
double numberAfter(const QByteArray& line, const char* label)
{
    const auto at = line.indexOf(label);
    if (at < 0) return 0;
    QByteArray rest = line.mid(at + qsizetype(std::strlen(label))).trimmed();
    const auto space = rest.indexOf(' ');
    return (space < 0 ? rest : rest.left(space)).toDouble();
}

constexpr unsigned long pauseBeforeLaunchMilliseconds = 1000;

// The address of the benchmark's own session bus, which `main` starts.
QString sessionBus;

// What every launched program gets: the X platform and the session bus.
QProcessEnvironment desktopEnvironment()
{
    auto environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
    return environment;
}

// Runs the program with settings under `config` until both milestones and
// its watch of the main thread are logged, then stops it; nothing when it
// did not get there in time.
std::optional<Launch> launch(const QString& config, const QStringList& arguments, int settleMilliseconds = 0)
{
    QThread::msleep(pauseBeforeLaunchMilliseconds);
    QProcess program;
    auto environment = desktopEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.corvane.linux.startup.info=true"));
    program.setProcessEnvironment(environment);
    program.setReadChannel(QProcess::StandardError);

    QElapsedTimer clock;
    clock.start();
    const double startedAt = steadyMilliseconds();
    program.start(QStringLiteral(BRELMO_EXECUTABLE), arguments);
    Launch result;
    bool painted = false, ready = false, watched = false;
    double firstTurn = 0;
    QByteArray pending;
    while (!(painted && ready && watched) && clock.elapsed() < 20000) {
        if (!program.waitForReadyRead(20) && program.state() != QProcess::Running) break;
        pending += program.readAllStandardError();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray line = pending.left(end);
            const double now = clock.nsecsElapsed() / 1e6;
            if (!painted && line.contains("first frame painted")) {
                result.firstFrameMilliseconds = now;
                painted = true;
            } else if (!ready && line.contains("practice session controller made")) {
                result.servicesMilliseconds = now;
                ready = true;
            } else if (line.contains("main thread's first turn at")) {
                firstTurn = numberAfter(line, "first turn at");
            } else if (!watched && line.contains("longest gap between main-thread turns:")) {
                // Before its first turn the thread was busy since the process began.
                result.firstTurnMilliseconds = firstTurn - startedAt;
                result.longestGapMilliseconds = numberAfter(line, "main-thread turns:");
                result.longestStallMilliseconds =
                    std::max(result.longestGapMilliseconds, result.firstTurnMilliseconds);
                watched = true;
            }
        }
    }
    if (settleMilliseconds > 0) QThread::msleep(static_cast<unsigned long>(settleMilliseconds));
    program.terminate();
    if (!program.waitForFinished(5000)) {
        program.kill();
        program.waitForFinished(5000);
    }
    if (!(painted && ready && watched)) return std::nullopt;
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const auto& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyFolder(entry.filePath(), target) : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

void report(const char* situation, const std::vector<Launch>& launches)
{
    std::vector<double> frames, services;
    for (const auto& l : launches) {
        frames.push_back(l.firstFrameMilliseconds);
        services.push_back(l.servicesMilliseconds);
    }
    std::printf("%-18s first frame: median %6.1f ms (min %6.1f, max %6.1f)   services ready: median %6.1f ms\n",
                situation, median(frames), *std::min_element(frames.begin(), frames.end()),
                *std::max_element(frames.begin(), frames.end()), median(services));
    std::vector<double> stalls;
    for (const auto& l : launches) stalls.push_back(l.longestStallMilliseconds);
    std::printf("longest main-thread stall from start to 2 s after the first frame: %.1f ms\n", median(stalls));
    std::printf("  (each run:");
    for (const double stall : stalls) std::printf(" %.1f", stall);
    std::printf(" ms)\n");
    std::vector<double> firstTurns, gaps;
    for (const auto& l : launches) {
        firstTurns.push_back(l.firstTurnMilliseconds);
        gaps.push_back(l.longestGapMilliseconds);
    }
    std::printf("  its parts: process start to the first turn median %.1f ms; longest gap after it median %.1f ms "
                "(max %.1f)\n",
                median(firstTurns), median(gaps), *std::max_element(gaps.begin(), gaps.end()));
}

// Process start to the first turn of a bare Qt Widgets window, once per run
// that got there.
std::vector<double> bareWindowFirstTurns(int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess program;
        program.setProcessEnvironment(desktopEnvironment());
        QThread::msleep(pauseBeforeLaunchMilliseconds);
        const double startedAt = steadyMilliseconds();
        program.start(QStringLiteral(BARE_QT_WINDOW_EXECUTABLE), {});
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished(5000);
            continue;
        }
        bool ok = false;
        const double firstTurn = program.readAllStandardOutput().trimmed().toDouble(&ok);
        if (ok) times.push_back(firstTurn - startedAt);
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    JackTestServer jack; // the program's engine and MIDI monitor find it through the environment
    jack.releaseTurn();
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) {
        std::fprintf(stderr, "bench_startup: no session bus (is dbus-daemon installed?)\n");
        return 1;
    }
    sessionBus = bus.address();
    QTemporaryDir work;

    const auto floor = bareWindowFirstTurns(runs);
    if (!floor.empty())
        std::printf("this machine's floor: a bare Qt Widgets window reaches its first turn %.1f ms after process start "
                    "(median of %zu; min %.1f, max %.1f)\n",
                    median(floor), floor.size(), *std::min_element(floor.begin(), floor.end()),
                    *std::max_element(floor.begin(), floor.end()));

    std::vector<Launch> empty;
    for (int i = 0; i < runs; ++i) {
        const QString config = work.filePath(QStringLiteral("empty-%1").arg(i));
        if (auto l = launch(config, {})) empty.push_back(*l);
    }

    // A session to restore: a song opened once; its session is saved when it opens.
    const QString song = work.filePath(QStringLiteral("Restaurada.mid"));
    {
        smf::Track conductor;
        conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
        smf::Track melody;
        for (int i = 0; i < 400; ++i) melody.noteOn(0, 48 + i % 36).noteOff(240, 48 + i % 36);
        melody.endOfTrack();
        const auto bytes = smf::file(1, 480, {conductor, melody});
        std::ofstream(song.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const QString seeded = work.filePath(QStringLiteral("seeded"));
    launch(seeded, {song}, 1500);
    QFile saved(seeded + QStringLiteral("/brelmo/defaults.json"));
    if (!saved.open(QIODevice::ReadOnly) || !saved.readAll().contains("practice.currentSession.v1")) {
        std::fprintf(stderr, "bench_startup: the seeding run saved no session\n");
        return 1;
    }
    std::vector<Launch> restored;
    for (int i = 0; i < runs; ++i) {
        const QString config = work.filePath(QStringLiteral("restored-%1").arg(i));
        if (!copyFolder(seeded, config)) continue;
        if (auto l = launch(config, {})) restored.push_back(*l);
    }

    // The same session in a large settings file.
    const QString large = work.filePath(QStringLiteral("large"));
    if (!copyFolder(seeded, large)) return 1;
    {
        corvane::DefaultsStore defaults((large + QStringLiteral("/brelmo/defaults.json")).toStdString());
        largesettings::fill(defaults);
    }
    const double largeMegabytes = double(QFileInfo(large + QStringLiteral("/brelmo/defaults.json")).size()) / 1e6;
    std::vector<Launch> largeRuns;
    for (int i = 0; i < runs; ++i) {
        const QString config = work.filePath(QStringLiteral("large-%1").arg(i));
        if (!copyFolder(large, config)) continue;
        if (auto l = launch(config, {})) largeRuns.push_back(*l);
    }

    if (empty.empty() || restored.empty() || largeRuns.empty()) {
        std::fprintf(stderr, "bench_startup: the program did not start (is there an X server?)\n");
        return 1;
    }
    std::printf("cold start of brelmo, %d runs each, from process start, each launch %lu ms after the last run "
                "ended:\n",
                runs, pauseBeforeLaunchMilliseconds);
    report("empty settings", empty);
    report("restored session", restored);
    char label[64];
    std::snprintf(label, sizeof label, "with %.1f MB file", largeMegabytes);
    report(label, largeRuns);
    return 0;
}
