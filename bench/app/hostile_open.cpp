// bench_hostile_open [--runs=N] [--settle=SECONDS] [--timeout=SECONDS] [--generated] [--simultaneous] [--keep]
//                    [FILE.mid ...]:
// how long a large or hostile file holds the real program's window.
//
// For each file (and each run), in a fresh settings folder: starts brelmo,
// waits for its window and for it to fall idle, then hands it the file as a
// user does, by starting a second `brelmo FILE`. From the hand-off on, the
// window is pinged every 5 ms with _NET_WM_PING, which the program answers
// from its main thread: the longest time without an answer is that thread's
// longest stall. The watch ends once the window has taken the song's title
// (or shown its error) and the program has answered every ping for SECONDS
// (default 3). Then it prints that stall, how long the song took to open,
// the resident memory above the idle program (at the end and the most seen),
// and whether the program, sent SIGTERM, quit and saved the song's session;
// with more than one run, the median and the worst of each file's runs.
// Without files, and with --generated besides them, it makes three valid
// files with an ordinary tempo map: 65,535 tracks of one note each (1.3 MB),
// and one note struck a million times (8 MB) and 7.5 million times (60 MB).
// --simultaneous adds two of 3 MB: half a million notes struck at tick 0, and
// the same notes a tick apart. A song plays from its opening, so SECONDS is
// also how long it has played when its memory is read.
// --keep keeps the settings folders and the program's log.
// Needs an X server; sound goes to a private JACK dummy server:
//   xvfb-run -a -s "-screen 0 1920x1200x24" build/release/bench/app/bench_hostile_open
//   xvfb-run -a -s "-screen 0 1920x1200x24" build/release/bench/app/bench_hostile_open FILE.mid ...

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "HostileSongs.hpp"
#include "MachineLoad.hpp"
#include "ProgramEnvironment.hpp"
#include "X11PingProbe.hpp"
#include "support/JackTestServer.hpp"
#include "support/PrivateSessionBus.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A field of /proc/PID/status, in MiB (the kernel gives kB).
double statusMebibytes(qint64 processID, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(processID) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::strlen(field)) / 1024;
    return 0;
}

struct Options {
    int runs = 1;
    double settleSeconds = 3;
    double timeoutSeconds = 150;
    bool generated = false;
    bool simultaneous = false;
    bool keep = false;
    QStringList files;
};

struct Outcome {
    bool started = false;
    std::string failure;
    double idleMebibytes = 0;
    std::optional<double> openedMilliseconds; // the window took the song's title
    bool refused = false;                      // an error showed instead
    double stallMilliseconds = 0;
    double endMebibytes = 0;
    double peakMebibytes = 0;
    std::optional<double> quitMilliseconds; // after SIGTERM
    bool sessionSaved = false;
};

class Measurement {
public:
    Measurement(const Options& options, QString sessionBus, QString folder)
        : options_(options), sessionBus_(std::move(sessionBus)), folder_(std::move(folder))
    {
    }

    Outcome run(const QString& file, const QString& config)
    {
        Outcome outcome;
        QProcess program;
        program.setProcessEnvironment(environment(config));
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(folder_ + QStringLiteral("/brelmo.log"), QIODevice::Append);
        program.start(QStringLiteral(BRELMO_EXECUTABLE), {});
        if (!program.waitForStarted(10000)) {
            outcome.failure = "brelmo did not start";
            return outcome;
        }
        const qint64 pid = program.processId();
        const auto window = waitForWindow(pid, program);
        if (!window) {
            outcome.failure = "no window within 30 s";
            stop(program);
            return outcome;
        }
        outcome.started = true;
        settle(*window);
        outcome.idleMebibytes = statusMebibytes(pid, "VmRSS:");
        outcome.peakMebibytes = outcome.idleMebibytes;

        const std::string expectedTitle = QFileInfo(file).completeBaseName().toStdString();
        QProcess handOff;
        handOff.setProcessEnvironment(environment(config));
        handOff.setStandardOutputFile(QProcess::nullDevice());
        handOff.setStandardErrorFile(folder_ + QStringLiteral("/brelmo.log"), QIODevice::Append);
        probe_.restart();
        const auto start = Clock::now();
        handOff.start(QStringLiteral(BRELMO_EXECUTABLE), {file});
        auto lastLook = Clock::time_point();
        std::optional<Clock::time_point> settledAt;
        auto answeringSince = start;
        const auto settle = std::chrono::duration<double>(options_.settleSeconds);
        while (millisecondsSince(start) < options_.timeoutSeconds * 1000) {
            probe_.ping(*window);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 0);
            if (Clock::now() - lastLook >= 40ms) {
                lastLook = Clock::now();
                outcome.peakMebibytes = std::max(outcome.peakMebibytes, statusMebibytes(pid, "VmRSS:"));
                if (!settledAt) {
                    if (probe_.title(*window) == expectedTitle) {
                        outcome.openedMilliseconds = millisecondsSince(start);
                        settledAt = Clock::now();
                    } else if (handOff.state() == QProcess::NotRunning && showsError(pid, *window)) {
                        outcome.refused = true;
                        settledAt = Clock::now();
                    }
                }
                if (program.state() != QProcess::Running) break;
            }
            // Done once the program has answered without a pause for SETTLE seconds after the song came.
            if (probe_.millisecondsSinceLastAnswer() > 100) answeringSince = Clock::now();
            if (settledAt && Clock::now() - std::max(*settledAt, answeringSince) >= settle) break;
            std::this_thread::sleep_for(5ms);
        }
        outcome.stallMilliseconds = probe_.longestStallMilliseconds();
        outcome.endMebibytes = statusMebibytes(pid, "VmRSS:");
        outcome.peakMebibytes = std::max(outcome.peakMebibytes, outcome.endMebibytes);
        handOff.waitForFinished(5000);

        const auto asked = Clock::now();
        program.terminate();
        if (program.waitForFinished(20000)) outcome.quitMilliseconds = millisecondsSince(asked);
        else stop(program);
        QFile settings(config + QStringLiteral("/brelmo/defaults.json"));
        // The session is kept as JSON in a base64 data value.
        const QJsonObject values =
            QJsonDocument::fromJson(settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray())
                .object()[QStringLiteral("values")]
                .toObject();
        const QByteArray session = QByteArray::fromBase64(values[QStringLiteral("practice.currentSession.v1")]
                                                              .toObject()[QStringLiteral("data")]
                                                              .toString()
                                                              .toLatin1());
        outcome.sessionSaved = session.contains(QByteArray::fromStdString(expectedTitle));
        return outcome;
    }

private:
    QProcessEnvironment environment(const QString& config) const { return programEnvironment(sessionBus_, config); }

    std::optional<xcb_window_t> waitForWindow(qint64 pid, QProcess& program)
    {
        const auto start = Clock::now();
        while (Clock::now() - start < 30s && program.state() == QProcess::Running) {
            for (const xcb_window_t window : probe_.windowsOf(pid))
                if (probe_.title(window) == "Brelmo") return window;
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

    // Until the program has answered every ping within 50 ms for 2 s (its
    // services and deferred libraries are in), 20 s at most.
    void settle(xcb_window_t window)
    {
        const auto start = Clock::now();
        probe_.restart();
        auto quietSince = Clock::now();
        while (Clock::now() - start < 20s) {
            probe_.ping(window);
            std::this_thread::sleep_for(5ms);
            if (probe_.longestStallMilliseconds() > 50) {
                probe_.restart();
                quietSince = Clock::now();
            } else if (Clock::now() - quietSince >= 2s) {
                return;
            }
        }
    }

    // Another of the program's windows is up: its alert of a file that cannot be opened.
    bool showsError(qint64 pid, xcb_window_t main)
    {
        for (const xcb_window_t window : probe_.windowsOf(pid))
            if (window != main && probe_.title(window) == "Não foi possível abrir o MIDI") return true;
        return false;
    }

    static void stop(QProcess& program)
    {
        program.kill();
        program.waitForFinished(5000);
    }

    const Options& options_;
    QString sessionBus_;
    QString folder_;
    X11PingProbe probe_;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("--runs="))) options.runs = std::max(1, argument.mid(7).toInt());
        else if (argument.startsWith(QLatin1String("--settle="))) options.settleSeconds = argument.mid(9).toDouble();
        else if (argument.startsWith(QLatin1String("--timeout="))) options.timeoutSeconds = argument.mid(10).toDouble();
        else if (argument == QLatin1String("--generated")) options.generated = true;
        else if (argument == QLatin1String("--simultaneous")) options.simultaneous = true;
        else if (argument == QLatin1String("--keep")) options.keep = true;
        else options.files << QFileInfo(argument).absoluteFilePath();
    }
    if (options.files.isEmpty() && !options.simultaneous) options.generated = true;
    return options;
}

void report(const QString& file, int run, const Outcome& o)
{
    std::printf("%s (%.2f MB), run %d:\n", QFileInfo(file).fileName().toUtf8().constData(),
                double(QFileInfo(file).size()) / 1e6, run);
    if (!o.started) {
        std::printf("  %s\n", o.failure.c_str());
        return;
    }
    if (o.openedMilliseconds)
        std::printf("  opened (window titled) %.0f ms after the hand-off\n", *o.openedMilliseconds);
    else if (o.refused) std::printf("  refused: the program showed its error\n");
    else std::printf("  neither opened nor refused within the time allowed\n");
    std::printf("  longest main-thread stall from the hand-off on: %.0f ms\n", o.stallMilliseconds);
    std::printf("  resident memory above the idle program (%.0f MiB): %.0f MiB at the end, %.0f MiB at most\n",
                o.idleMebibytes, o.endMebibytes - o.idleMebibytes, o.peakMebibytes - o.idleMebibytes);
    if (o.quitMilliseconds) std::printf("  SIGTERM: quit after %.0f ms; ", *o.quitMilliseconds);
    else std::printf("  SIGTERM: still running after 20 s, killed; ");
    std::printf("the song's session %s\n", o.sessionSaved ? "saved" : "NOT saved");
}

// With several runs of a file: the median and the worst of its figures.
void summarize(const QString& file, const std::vector<Outcome>& outcomes)
{
    std::vector<double> stalls, peaks;
    for (const Outcome& o : outcomes)
        if (o.started) {
            stalls.push_back(o.stallMilliseconds);
            peaks.push_back(o.peakMebibytes - o.idleMebibytes);
        }
    if (stalls.size() < 2) return;
    std::sort(stalls.begin(), stalls.end());
    std::sort(peaks.begin(), peaks.end());
    std::printf("%s over %zu runs: longest stall median %.0f ms, worst %.0f ms; memory above idle at most median "
                "%.0f MiB, worst %.0f MiB\n",
                QFileInfo(file).fileName().toUtf8().constData(), stalls.size(), stalls[stalls.size() / 2],
                stalls.back(), peaks[peaks.size() / 2], peaks.back());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options options = parse(app.arguments().mid(1));
    JackTestServer jack; // the programs find it through the environment
    jack.releaseTurn();
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) {
        std::fprintf(stderr, "bench_hostile_open: no session bus (is dbus-daemon installed?)\n");
        return 1;
    }
    QTemporaryDir work;
    QStringList files = options.files;
    std::vector<hostilesongs::Song> songs;
    if (options.generated) songs = hostilesongs::standardSet();
    if (options.simultaneous)
        for (auto& song : hostilesongs::simultaneousSet()) songs.push_back(std::move(song));
    for (const auto& song : songs) {
        const QString path = work.filePath(QString::fromStdString(song.fileName));
        std::ofstream(path.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(song.bytes.data()), static_cast<std::streamsize>(song.bytes.size()));
        files << path;
    }
    Measurement measurement(options, bus.address(), work.path());
    std::printf("machine load at the start: %s\n", machineLoad().c_str());
    std::fflush(stdout);
    int failures = 0;
    int runNumber = 0;
    for (const QString& file : files) {
        std::vector<Outcome> outcomes;
        for (int run = 1; run <= options.runs; ++run) {
            const QString config = work.filePath(QStringLiteral("config-%1").arg(++runNumber));
            QDir().mkpath(config);
            outcomes.push_back(measurement.run(file, config));
            if (!outcomes.back().started) ++failures;
            report(file, run, outcomes.back());
            std::fflush(stdout);
            QThread::msleep(1000);
        }
        summarize(file, outcomes);
    }
    std::printf("machine load at the end: %s\n", machineLoad().c_str());
    if (failures) std::fprintf(stderr, "bench_hostile_open: the program's log is kept in %s/brelmo.log\n",
                               work.path().toUtf8().constData());
    if (failures || options.keep) work.setAutoRemove(false);
    if (options.keep)
        std::printf("settings folders and the program's log kept in %s\n", work.path().toUtf8().constData());
    return failures ? 1 : 0;
}
