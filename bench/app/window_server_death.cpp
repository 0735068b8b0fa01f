// bench_window_server_death [--rounds=N] [--shots=FOLDER]: the sound server
// killed under the real program's playing window, round after round, as a
// user meets it.
//
// The program plays a long one-track song on a private JACK dummy server.
// Each round: a recorder hears it play; the server is killed (odd rounds
// SIGKILL, a crash; even rounds SIGTERM, an orderly stop); the round times
// how long the program takes to show its alert, then presses the alert's OK,
// starts the server again under its name and presses Space once in the main
// window; the recorder must hear the song again. A program whose deck still
// said it played would take that Space for a pause, and stay silent.
// --shots keeps a screenshot of the screen with the alert up, per round.
// Needs an X server, xdotool and, for --shots, ImageMagick's import:
//   xvfb-run -a -s "-screen 0 1920x1200x24" build/release/bench/app/bench_window_server_death

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CorvaneAudio/audio/JackRecorder.hpp"
#include "DenseSong.hpp"
#include "MachineLoad.hpp"
#include "ProgramEnvironment.hpp"
#include "X11PingProbe.hpp"
#include "support/JackTestServer.hpp"
#include "support/PrivateSessionBus.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* alertTitle = "Não foi possível abrir o MIDI";

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Focuses `window` (there may be no window manager to do it) and types `key` there.
bool press(xcb_window_t window, const QString& key)
{
    const QString id = QString::number(window);
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), id}) &&
           xdotool({QStringLiteral("key"), key});
}

// Whether the program's output sounds: a recorder of its own, wired to the
// program's ports once they are there, hears it within `patience`.
bool heardPlaying(std::chrono::milliseconds patience)
{
    JackRecorder recorder("death-ear");
    const auto start = Clock::now();
    while (recorder.outputPorts("^Brelmo:").empty()) {
        if (Clock::now() - start > patience) return false;
        std::this_thread::sleep_for(20ms);
    }
    recorder.connectFrom("^Brelmo:");
    while (Clock::now() - start < patience) {
        const auto from = recorder.recordedFrames();
        std::this_thread::sleep_for(300ms);
        if (JackRecorder::rms(recorder.left(from)) > 0.002) return true;
    }
    return false;
}

class Window {
public:
    explicit Window(qint64 pid) : pid_(pid) {}

    std::optional<xcb_window_t> titled(const std::string& title)
    {
        for (const xcb_window_t window : probe_.windowsOf(pid_))
            if (probe_.title(window) == title) return window;
        return std::nullopt;
    }

    std::optional<xcb_window_t> waitFor(const std::string& title, std::chrono::milliseconds patience)
    {
        const auto start = Clock::now();
        while (Clock::now() - start < patience) {
            if (auto window = titled(title)) return window;
            std::this_thread::sleep_for(5ms);
        }
        return std::nullopt;
    }

    bool waitGone(const std::string& title, std::chrono::milliseconds patience)
    {
        const auto start = Clock::now();
        while (titled(title)) {
            if (Clock::now() - start > patience) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

private:
    qint64 pid_;
    X11PingProbe probe_;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 20;
    QString shots;
    for (const QString& argument : app.arguments().mid(1)) {
        if (argument.startsWith(QLatin1String("--rounds="))) rounds = std::max(1, argument.mid(9).toInt());
        else if (argument.startsWith(QLatin1String("--shots="))) shots = argument.mid(8);
    }
    JackTestServer jack; // the program finds it through the environment
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) {
        std::fprintf(stderr, "bench_window_server_death: no session bus (is dbus-daemon installed?)\n");
        return 1;
    }
    QTemporaryDir work;
    const QString song = work.filePath(QStringLiteral("Longa.mid"));
    {
        const auto bytes = denseSong(8 * 60 * 10, 1); // ten minutes
        std::ofstream(song.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    if (!shots.isEmpty()) QDir().mkpath(shots);
    std::printf("machine load at the start: %s\n", machineLoad().c_str());

    auto environment = programEnvironment(bus.address(), work.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), work.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setStandardOutputFile(work.filePath(QStringLiteral("brelmo.log")));
    program.setStandardErrorFile(work.filePath(QStringLiteral("brelmo.log")));
    program.start(QStringLiteral(BRELMO_EXECUTABLE), {song});
    if (!program.waitForStarted(10000)) return 1;
    Window windows(program.processId());
    const auto main = windows.waitFor("Longa", 30s);
    if (!main) {
        std::fprintf(stderr, "the window did not take the song's title\n");
        return 1;
    }

    int passed = 0;
    std::vector<double> alerts;
    for (int round = 1; round <= rounds && program.state() == QProcess::Running; ++round) {
        const int signal = round % 2 ? SIGKILL : SIGTERM;
        // The piano loads for a second or two after the start.
        const bool playing = heardPlaying(round == 1 ? 15s : 3s);
        const auto killedAt = Clock::now();
        jack.kill(signal);
        const auto alert = windows.waitFor(alertTitle, 3s);
        const double alertMs = alert ? millisecondsSince(killedAt) : -1;
        if (alert) alerts.push_back(alertMs);
        if (alert && !shots.isEmpty()) {
            std::this_thread::sleep_for(200ms); // drawn
            QProcess::execute(QStringLiteral("import"),
                              {QStringLiteral("-window"), QStringLiteral("root"),
                               QDir(shots).filePath(QStringLiteral("round-%1.png").arg(round))});
        }
        const bool dismissed = alert && press(*alert, QStringLiteral("Return")) && windows.waitGone(alertTitle, 1s);
        jack.start();
        press(*main, QStringLiteral("space"));
        const bool playsAgain = heardPlaying(3s);
        const bool ok = playing && alert && alertMs <= 1000 && dismissed && playsAgain;
        passed += ok;
        std::printf("round %2d %s: playing=%d alert_ms=%.0f dismissed=%d plays_after_one_space=%d %s\n", round,
                    signal == SIGKILL ? "SIGKILL" : "SIGTERM", playing, alertMs, dismissed, playsAgain,
                    ok ? "ok" : "FAILED");
        std::fflush(stdout);
    }
    std::sort(alerts.begin(), alerts.end());
    std::printf("%d of %d rounds passed; alert after the death: median %.0f ms, worst %.0f ms\n", passed, rounds,
                alerts.empty() ? -1.0 : alerts[alerts.size() / 2], alerts.empty() ? -1.0 : alerts.back());
    std::printf("machine load at the end: %s\n", machineLoad().c_str());
    program.terminate();
    if (!program.waitForFinished(10000)) program.kill();
    return passed == rounds ? 0 : 1;
}
