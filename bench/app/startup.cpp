// bench_startup [RUNS [PROGRAM...]]: starts the real program RUNS times
// (default 5) in each of four situations, a settings folder never used, one
// whose last session reopens a song, that one with a long-time user's
// settings file (10,000 history entries, 200 songs with 50 saved loops each),
// and the first on a session bus whose daemon hangs (it takes connections and
// never answers), and prints the median time from the start of the process to its first
// painted frame and to the services being ready, both read from the
// program's own log; then, for each, the longest time the program's main
// thread went without a turn of its event loop from the start of the process
// to 2 s after its first frame (median of the runs, each run's figure below
// it), read from the program's own heartbeat, and that figure's two parts:
// the time to the first turn and the longest gap after it, and how long the
// program then takes to end once sent SIGTERM. Last, the time it takes to
// end when sent SIGTERM at its first frame while it still reads a settings
// file five times the long-time user's.
// Before each launch of the program a bare Qt Widgets window of the
// program's size is launched (bench_bare_qt_window), the machine's floor
// measured beside it, and the three goals are printed against it: the first
// turn as a multiple of the bare window's first turn, the first frame less
// the bare window's first paint, and the longest gap after the first turn.
// Each is the median over the runs of the program's figure against the bare
// window launched just before it.
// PROGRAMs, other builds of brelmo, are launched instead of this build's, in
// turn within each run (the order turning from run to run), each reported
// on its own: an A/B comparison on a machine whose load drifts.
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
#include <functional>
#include <optional>
#include <vector>

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "library/LargeSettings.hpp"
#include "support/JackTestServer.hpp"
#include "support/PrivateSessionBus.hpp"
#include "support/SMFWriter.hpp"
#include "support/SilentSessionBus.hpp"

namespace {

// The bare window's figures, from the process's start.
struct BareLaunch {
    double firstTurnMilliseconds = 0;
    double firstPaintMilliseconds = 0;
};

struct Launch {
    double firstFrameMilliseconds = 0;
    double servicesMilliseconds = 0;
    double longestStallMilliseconds = 0;
    double firstTurnMilliseconds = 0;
    double longestGapMilliseconds = 0;
    // From SIGTERM to the program's end.
    double quitMilliseconds = 0;
    // The bare window launched just before, if it got there.
    std::optional<BareLaunch> bare;
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

// How the program is launched, beyond its settings.
struct Situation {
    QStringList arguments;
    // Another session bus than the benchmark's own.
    QString sessionBus;
    // Asked to stop as soon as its first frame is painted, rather than once
    // its services and its watch of the main thread are done.
    bool stopsAtFirstFrame = false;
    int settleMilliseconds = 0;
};

// Runs `program` with settings under `config` until both milestones and its
// watch of the main thread are logged, then stops it; nothing when it did
// not get there in time. The milestones are taken on the program's own
// clock, which its log lines up with the steady clock at its `main`.
std::optional<Launch> launch(const QString& program, const QString& config, const Situation& situation)
{
    QThread::msleep(pauseBeforeLaunchMilliseconds);
    QProcess process;
    auto environment = desktopEnvironment();
    if (!situation.sessionBus.isEmpty())
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), situation.sessionBus);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.corvane.linux.startup.info=true"));
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);

    QElapsedTimer clock;
    clock.start();
    const double startedAt = steadyMilliseconds();
    process.start(program, situation.arguments);
    Launch result;
    bool painted = false, ready = false, watched = false;
    const auto done = [&] { return situation.stopsAtFirstFrame ? painted : painted && ready && watched; };
    double mainBegan = 0, firstTurn = 0;
    QByteArray pending;
    while (!done() && clock.elapsed() < 20000) {
        if (!process.waitForReadyRead(20) && process.state() != QProcess::Running) break;
        pending += process.readAllStandardError();
        for (qsizetype end; !done() && (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray line = pending.left(end);
            const auto sinceStart = [&] { return mainBegan + numberAfter(line, " after") - startedAt; };
            if (line.contains("main began at")) {
                mainBegan = numberAfter(line, "main began at");
            } else if (!painted && line.contains("first frame painted after")) {
                result.firstFrameMilliseconds = sinceStart();
                painted = true;
            } else if (!ready && line.contains("practice session controller made after")) {
                result.servicesMilliseconds = sinceStart();
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
    if (situation.settleMilliseconds > 0) QThread::msleep(static_cast<unsigned long>(situation.settleMilliseconds));
    QElapsedTimer quitting;
    quitting.start();
    process.terminate();
    const bool quit = process.waitForFinished(30000);
    result.quitMilliseconds = quitting.nsecsElapsed() / 1e6;
    if (!quit) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (!done() || !quit) return std::nullopt;
    return result;
}

// The bare Qt Widgets window, once; nothing when it did not get there.
std::optional<BareLaunch> launchBare()
{
    QThread::msleep(pauseBeforeLaunchMilliseconds);
    QProcess program;
    program.setProcessEnvironment(desktopEnvironment());
    const double startedAt = steadyMilliseconds();
    program.start(QStringLiteral(BARE_QT_WINDOW_EXECUTABLE), {});
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished(5000);
        return std::nullopt;
    }
    const auto times = program.readAllStandardOutput().trimmed().split(' ');
    bool turnRead = false, paintRead = false;
    BareLaunch result;
    if (times.size() == 2) {
        result.firstTurnMilliseconds = times[0].toDouble(&turnRead) - startedAt;
        result.firstPaintMilliseconds = times[1].toDouble(&paintRead) - startedAt;
    }
    if (!turnRead || !paintRead) return std::nullopt;
    return result;
}

double median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double largest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

double smallest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
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

std::vector<double> each(const std::vector<Launch>& launches, double Launch::*figure)
{
    std::vector<double> values;
    for (const auto& l : launches) values.push_back(l.*figure);
    return values;
}

void report(const char* situation, const std::vector<Launch>& launches)
{
    if (launches.empty()) {
        std::printf("%-18s no run got its first frame, services and watch done within 20 s\n", situation);
        return;
    }
    const auto frames = each(launches, &Launch::firstFrameMilliseconds);
    std::printf("%-18s first frame: median %6.1f ms (min %6.1f, max %6.1f)   services ready: median %6.1f ms\n",
                situation, median(frames), smallest(frames), largest(frames),
                median(each(launches, &Launch::servicesMilliseconds)));
    const auto stalls = each(launches, &Launch::longestStallMilliseconds);
    std::printf("longest main-thread stall from start to 2 s after the first frame: %.1f ms\n", median(stalls));
    std::printf("  (each run:");
    for (const double stall : stalls) std::printf(" %.1f", stall);
    std::printf(" ms)\n");
    const auto gaps = each(launches, &Launch::longestGapMilliseconds);
    std::printf("  its parts: process start to the first turn median %.1f ms; longest gap after it median %.1f ms "
                "(max %.1f)\n",
                median(each(launches, &Launch::firstTurnMilliseconds)), median(gaps), largest(gaps));

    const auto quits = each(launches, &Launch::quitMilliseconds);
    std::printf("  answers SIGTERM, 2 s after its first frame, in median %.1f ms (max %.1f)\n", median(quits),
                largest(quits));
    std::vector<double> bareTurns, barePaints, turnRatios, frameExcess;
    for (const auto& l : launches) {
        if (!l.bare) continue;
        bareTurns.push_back(l.bare->firstTurnMilliseconds);
        barePaints.push_back(l.bare->firstPaintMilliseconds);
        turnRatios.push_back(l.firstTurnMilliseconds / l.bare->firstTurnMilliseconds);
        frameExcess.push_back(l.firstFrameMilliseconds - l.bare->firstPaintMilliseconds);
    }
    if (bareTurns.empty()) return;
    std::printf("  beside the bare window launched before each (median of %zu: first turn %.1f ms, first paint %.1f "
                "ms):\n",
                bareTurns.size(), median(bareTurns), median(barePaints));
    std::printf("    first turn %.2f x the bare window's (goal at most 1.2; max %.2f)\n", median(turnRatios),
                largest(turnRatios));
    std::printf("    first frame = the bare window's first paint %+.1f ms (goal at most +50; max %+.1f)\n",
                median(frameExcess), largest(frameExcess));
    std::printf("    longest main-thread gap after the first turn %.1f ms (goal: none over 50; max %.1f)\n",
                median(gaps), largest(gaps));
}

// Launches each program `runs` times in a situation, the bare window before
// each; `config` makes run `i`'s settings folder for program `p`, empty when
// it cannot.
std::vector<std::vector<Launch>> measure(const QStringList& programs, int runs,
                                         const std::function<QString(int run, int program)>& config,
                                         const Situation& situation = {})
{
    std::vector<std::vector<Launch>> launches(std::size_t(programs.size()));
    for (int i = 0; i < runs; ++i) {
        for (int turn = 0; turn < programs.size(); ++turn) {
            const int p = (turn + i) % int(programs.size());
            const auto bare = launchBare();
            const QString folder = config(i, p);
            if (folder.isEmpty()) continue;
            if (auto l = launch(programs[p], folder, situation)) {
                l->bare = bare;
                launches[std::size_t(p)].push_back(*l);
            }
        }
    }
    return launches;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QStringList programs;
    for (int i = 2; i < argc; ++i) programs << QString::fromLocal8Bit(argv[i]);
    if (programs.isEmpty()) programs << QStringLiteral(BRELMO_EXECUTABLE);
    JackTestServer jack; // the program's engine and MIDI monitor find it through the environment
    jack.releaseTurn();
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) {
        std::fprintf(stderr, "bench_startup: no session bus (is dbus-daemon installed?)\n");
        return 1;
    }
    sessionBus = bus.address();
    QTemporaryDir work;
    const auto folder = [&work](const char* situation, int run, int program) {
        return work.filePath(QStringLiteral("%1-%2-%3").arg(QLatin1String(situation)).arg(run).arg(program));
    };

    const auto emptyFolder = [&](const char* situation) {
        return [&, situation](int run, int program) { return folder(situation, run, program); };
    };
    const auto empty = measure(programs, runs, emptyFolder("empty"));
    // A session bus whose daemon hangs: it takes the connection and never answers.
    SilentSessionBus hungBus;
    Situation onHungBus;
    onHungBus.sessionBus = hungBus.address();
    const auto hung = measure(programs, runs, emptyFolder("hung"), onHungBus);

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
    Situation opening;
    opening.arguments = QStringList{song};
    opening.settleMilliseconds = 1500;
    launch(programs.front(), seeded, opening);
    QFile saved(seeded + QStringLiteral("/brelmo/defaults.json"));
    if (!saved.open(QIODevice::ReadOnly) || !saved.readAll().contains("practice.currentSession.v1")) {
        std::fprintf(stderr, "bench_startup: the seeding run saved no session\n");
        return 1;
    }
    const auto copyOf = [&](const QString& from, const char* situation) {
        return [&, from, situation](int run, int program) {
            const QString config = folder(situation, run, program);
            return copyFolder(from, config) ? config : QString();
        };
    };
    const auto restored = measure(programs, runs, copyOf(seeded, "restored"));

    // The same session in a large settings file.
    const QString large = work.filePath(QStringLiteral("large"));
    if (!copyFolder(seeded, large)) return 1;
    {
        corvane::DefaultsStore defaults((large + QStringLiteral("/brelmo/defaults.json")).toStdString());
        largesettings::fill(defaults);
    }
    const double largeMegabytes = double(QFileInfo(large + QStringLiteral("/brelmo/defaults.json")).size()) / 1e6;
    const auto largeRuns = measure(programs, runs, copyOf(large, "large"));

    // Stopped at its first frame, while a settings file five times that size is still being read.
    const QString huge = work.filePath(QStringLiteral("huge"));
    if (!copyFolder(seeded, huge)) return 1;
    {
        corvane::DefaultsStore defaults((huge + QStringLiteral("/brelmo/defaults.json")).toStdString());
        largesettings::fill(defaults, 50'000, 1'000);
    }
    const double hugeMegabytes = double(QFileInfo(huge + QStringLiteral("/brelmo/defaults.json")).size()) / 1e6;
    Situation stopping;
    stopping.stopsAtFirstFrame = true;
    const auto stopped = measure(programs, runs, copyOf(huge, "huge"), stopping);

    std::vector<double> floor;
    for (const auto* situation : {&empty, &hung, &restored, &largeRuns, &stopped})
        for (const auto& launches : *situation)
            for (const auto& l : launches)
                if (l.bare) floor.push_back(l.bare->firstTurnMilliseconds);
    if (!floor.empty())
        std::printf("this machine's floor: a bare Qt Widgets window reaches its first turn %.1f ms after process start "
                    "(median of %zu; min %.1f, max %.1f)\n",
                    median(floor), floor.size(), smallest(floor), largest(floor));
    if (std::all_of(empty.begin(), empty.end(), [](const auto& launches) { return launches.empty(); })) {
        std::fprintf(stderr, "bench_startup: the program did not start (is there an X server?)\n");
        return 1;
    }
    for (int p = 0; p < programs.size(); ++p) {
        const auto at = std::size_t(p);
        if (programs.size() > 1) std::printf("\n%s:\n", qPrintable(programs[p]));
        std::printf("cold start of brelmo, %d runs each, from process start, each launch %lu ms after the last run "
                    "ended:\n",
                    runs, pauseBeforeLaunchMilliseconds);
        report("empty settings", empty[at]);
        report("restored session", restored[at]);
        char label[64];
        std::snprintf(label, sizeof label, "with %.1f MB file", largeMegabytes);
        report(label, largeRuns[at]);
        report("hung session bus", hung[at]);
        if (!hung[at].empty() && !empty[at].empty())
            std::printf("  its first frame comes %+.1f ms after the first frame with empty settings (medians)\n",
                        median(each(hung[at], &Launch::firstFrameMilliseconds)) -
                            median(each(empty[at], &Launch::firstFrameMilliseconds)));
        const auto quits = each(stopped[at], &Launch::quitMilliseconds);
        if (quits.empty())
            std::printf("stopped at its first frame: no run got there and ended within 30 s\n");
        else
            std::printf("stopped at its first frame while reading a %.1f MB settings file: ends %.1f ms after "
                        "SIGTERM (median; max %.1f)\n",
                        hugeMegabytes, median(quits), largest(quits));
    }
    return 0;
}
