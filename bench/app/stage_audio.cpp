// bench_stage_audio [SECONDS] [--realtime-server] [--sweep] [--only=TEXT|=NAME]: does the stage starve the sound?
//
// Plays the Für Elise demo (count-in on, a live key pressed four times a
// second) in the real application with the stage drawing, on a private JACK
// dummy server at 48 kHz / 256 frames, for SECONDS (default 20) in each of
// several set-ups, one program run each, back to back:
//
//   before            Mesa's default rasteriser threads (one per core), 60 frames
//                     a second, the audio thread with ordinary scheduling: the
//                     program as it was
//   after, no rt      the program as it is, for a user who may not use real-time
//                     scheduling: the thread cap and the software frame rate
//   after, rt         the same where real-time scheduling is allowed (as root here)
//   ... minimised     the window minimised for the whole measurement, its state
//                     alone (Xvfb has no window manager, the window stays mapped;
//                     "before" drives the stage at 60 Hz as its old loop did)
//   ... unmapped      minimised and unmapped, as a window manager does
//   no stage          the program on the offscreen platform, which draws no stage
//   another program   not the program but a plain one drawing in software about as
//                     hard (bench_software_gl_load), with an idle client of this
//                     process in the program's place in the graph: the machine's
//                     floor under the stage's kind of load
//   no program        the server and this counter alone
//
// and counts the periods the server reports missed (its xrun callback) and
// which clients its log names late, the program's processor time, the
// stage's frames, the window's compositions (in software every repaint of any
// widget composes the whole window through the rasteriser) and how long the
// main thread, which also hands the piece's notes on, is kept away. --sweep adds runs for 1, 2,
// 4 and all rasteriser threads at 60 and 30 frames a second, without real time;
// --only runs just the set-ups whose name contains TEXT. The server runs without
// real time, as the tests' server; --realtime-server runs it as on a user's
// machine, where JACK makes every client's thread real-time that may be.
// Then the other kind of server is started for "after, rt" (or "after, no rt")
// and "no program", and the last line sums up: "after, rt" on the real-time server, "after, no
// rt" and "no program" on the server without real time; a line after it gives
// "another program" on both servers.
// Needs an X server with software OpenGL:
//   flock /tmp/brelmo-jack.lock xvfb-run -a -s "-screen 0 1920x1200x24" build/release/bench/app/bench_stage_audio
// The program refused real time has CAP_SYS_NICE taken from its bounding set
// (RLIMIT_RTPRIO is 0 here), as for an ordinary user.

#include <QApplication>
#include <QGuiApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <jack/jack.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <linux/capability.h>
#include <sys/prctl.h>

#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/AudioThreadScheduling.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneRendering/GLStageView.hpp"
#include "CorvaneRendering/ThreadedStageView.hpp"
#include "CorvaneRendering/SoftwareRendering.hpp"
#include "session/SessionBench.hpp"

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// ---- The program, in a process of its own ------------------------------------

// Processor time of a process: this one, or another by its id.
double processSeconds(pid_t process = 0)
{
    clockid_t clock{};
    timespec t{};
    if (::clock_getcpuclockid(process, &clock) != 0 || ::clock_gettime(clock, &t) != 0) return 0;
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The window's stage, whichever view draws it.
class StageHandle {
public:
    explicit StageHandle(QWidget& window)
        : gl_(window.findChild<corvane::GLStageView*>()), threaded_(window.findChild<corvane::ThreadedStageView*>())
    {
    }
    explicit operator bool() const { return gl_ || threaded_; }
    QWidget* widget() const { return gl_ ? static_cast<QWidget*>(gl_) : threaded_; }
    void setFrameRate(int rate) { gl_ ? gl_->setFrameRate(rate) : threaded_->setFrameRate(rate); }
    void setRenderScale(double scale) { gl_ ? gl_->setRenderScale(scale) : threaded_->setRenderScale(scale); }
    std::uint64_t framesDrawn() const { return gl_ ? gl_->framesDrawn() : threaded_->framesDrawn(); }
    QString rendererName() const { return gl_ ? gl_->rendererName() : threaded_->rendererName(); }
    template <class Slot> void onFrameSwapped(Slot slot)
    {
        if (gl_) QObject::connect(gl_, &QOpenGLWidget::frameSwapped, slot);
        else if (threaded_) QObject::connect(threaded_, &corvane::ThreadedStageView::frameSwapped, slot);
    }

private:
    corvane::GLStageView* gl_;
    corvane::ThreadedStageView* threaded_;
};

// Made as main.cpp makes it; `stageRate` 0 leaves the stage's own choice.
// `oldLoop` drives the stage at 60 Hz whatever the window, as its frame loop did before.
// `window`: "shown", "minimised" (the state alone, as without a window
// manager) or "unmapped" (minimised and unmapped, as a window manager does).
int runProgram(double seconds, int stageRate, const std::string& window, bool oldLoop, double renderScale)
{
    corvane::capSoftwareRasterizerThreads();
    int argc = 1;
    char name[] = "brelmo";
    char* argv[] = {name, nullptr};
    QApplication::setApplicationName(QStringLiteral("brelmo"));
    QApplication app(argc, argv);
    corvane::DefaultsStore defaults(corvane::DefaultsStore::standardFile());
    corvane::CorvaneApplication application(defaults);
    application.start();
    using sessionbench::processEventsUntil;
    if (!processEventsUntil([&] { return application.mainWindow().rootView() != nullptr; }, 20s)) return 3;
    auto& store = *application.practiceStore();
    auto* engine = store.audioEngine();
    if (!engine) return 4;

    store.setCountInEnabled(true);
    store.setCountInMeasureCount(1);
    store.loadDemo(corvane::BundledDemoSong::furElise);
    if (store.lastImportError()) return 5;
    store.dismissTrackSelection();
    sessionbench::processEventsFor(500ms);
    // An opened piece starts playing at once; it starts again below with its count-in.
    if (store.isPlaying()) store.togglePlayback();
    store.seek(0);
    // None on the offscreen platform, which has no OpenGL: the plain stage. Where the
    // driver draws in software the stage is drawn on its own thread (ThreadedStageView).
    StageHandle stage(application.mainWindow());
    if (stage && stageRate > 0) stage.setFrameRate(stageRate);
    if (stage && renderScale > 0) stage.setRenderScale(renderScale);
    QTimer oldFrameLoop;
    if (stage && oldLoop) {
        oldFrameLoop.setTimerType(Qt::PreciseTimer);
        QObject::connect(&oldFrameLoop, &QTimer::timeout, stage.widget(), qOverload<>(&QWidget::update));
        oldFrameLoop.start(1000 / 60);
    }
    if (window != "shown") application.mainWindow().showMinimized();
    if (window == "unmapped") {
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11) return 8;
        xcb_unmap_window(x11->connection(), static_cast<xcb_window_t>(application.mainWindow().winId()));
        xcb_flush(x11->connection());
    }
    sessionbench::processEventsFor(1500ms);

    const auto framesAtStart = stage ? stage.framesDrawn() : 0;
    int compositions = 0; // the window put together anew, for any widget's repaint
    stage.onFrameSwapped([&] { ++compositions; });
    std::printf("window-start\n");
    std::fflush(stdout);
    const double cpuStart = processSeconds();
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    store.togglePlayback(); // the count-in, then the piece
    if (!store.isPlaying() && !store.countInProgress()) return 7;
    // A live key every 250 ms, held 120 ms: the same audio-thread work as a key on a MIDI keyboard.
    auto nextKey = start + 250ms;
    auto release = Clock::time_point::max(); // max: no key held
    int keys = 0;
    // How long the main thread, which also times the piece's notes, goes without coming back here.
    std::vector<double> stalls;
    auto lastTurn = Clock::now();
    while (Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const auto now = Clock::now();
        stalls.push_back(std::chrono::duration<double, std::milli>(now - lastTurn).count());
        if (now >= nextKey) {
            engine->noteOn(static_cast<std::uint8_t>(60 + keys % 12), 90, 0);
            release = now + 120ms;
            nextKey += 250ms;
            ++keys;
        }
        if (now >= release) {
            engine->noteOff(static_cast<std::uint8_t>(60 + (keys - 1) % 12), 0);
            release = Clock::time_point::max();
        }
        std::this_thread::sleep_for(1ms);
        lastTurn = Clock::now();
    }
    std::sort(stalls.begin(), stalls.end());
    const double stallP99 = stalls.empty() ? 0 : stalls[std::size_t(0.99 * double(stalls.size() - 1))];
    const double stallMax = stalls.empty() ? 0 : stalls.back();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = processSeconds() - cpuStart;
    const double frames = stage ? double(stage.framesDrawn() - framesAtStart) : 0;
    std::printf("window-end\n");
    std::printf("result cpu=%.1f fps=%.1f compositions=%.1f stall=%.1f/%.1f playing=%d position=%.1f renderer=%s "
                "stage=%dx%d\n",
                cpu / wall * 100, frames / wall, compositions / wall, stallP99, stallMax, store.isPlaying() ? 1 : 0,
                store.playbackPositionSeconds(),
                stage ? qPrintable(stage.rendererName().section(QLatin1Char(' '), 0, 0)) : "none",
                stage ? stage.widget()->width() : 0, stage ? stage.widget()->height() : 0);
    std::fflush(stdout);
    QApplication::closeAllWindows();
    return 0;
}

// ---- The measuring side ------------------------------------------------------

// A private dummy server, its log, and a client of this process that counts
// the periods it reports missed.
class CountedServer {
public:
    CountedServer(const QString& log, bool realtime) : log_(log), realtime_(realtime), server_(48000, 256, log.toStdString(), realtime)
    {
        server_.releaseTurn();
        // Only active clients hear of missed periods. This one does nothing in its
        // period, and on a thread made real-time where allowed, so it is hardly ever the late one.
        counter_ = openIdleClient("brelmo-xrun-counter", [this](jack_client_t* client) {
            // The server calls every client when a period is missed, whichever client was late.
            jack_set_xrun_callback(
                client, [](void* missed) { ++*static_cast<std::atomic<int>*>(missed); return 0; }, &missed_);
        });
    }
    ~CountedServer()
    {
        if (counter_) jack_client_close(counter_);
    }
    CountedServer(const CountedServer&) = delete;
    CountedServer& operator=(const CountedServer&) = delete;

    bool ready() const { return counter_ != nullptr; }
    bool realtime() const { return realtime_; }
    const std::string& name() const { return server_.name(); }
    const QString& log() const { return log_; }
    int missed() const { return missed_.load(); }

    // An idle client in the program's place: what the server waits for besides the counter.
    jack_client_t* openStandIn() const { return openIdleClient("stand-in", [](jack_client_t*) {}); }

private:
    // An active client doing nothing in its period, its thread asking for real
    // time on its first one; `prepare` adds to it before it is activated.
    template <class Prepare> jack_client_t* openIdleClient(const char* name, Prepare prepare) const
    {
        jack_status_t status{};
        jack_client_t* client = jack_client_open(name, static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                                 &status, server_.name().c_str());
        if (!client) return nullptr;
        prepare(client);
        jack_set_process_callback(
            client,
            [](jack_nframes_t, void*) {
                static thread_local bool asked = false;
                if (!asked) {
                    asked = true;
                    corvane::requestRealtimeScheduling();
                }
                return 0;
            },
            nullptr);
        jack_activate(client);
        return client;
    }

    QString log_;
    bool realtime_;
    JackTestServer server_;
    jack_client_t* counter_ = nullptr;
    std::atomic<int> missed_ = 0;
};

// Busy and total jiffies of the whole machine, to tell how loaded it was.
std::pair<long long, long long> machineJiffies()
{
    std::ifstream stat("/proc/stat");
    std::string cpu;
    long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    const long long busy = user + nice + system + irq + softirq + steal;
    return {busy, busy + idle + iowait};
}

struct Setup {
    std::string name;
    std::optional<int> rasteriserThreads; // absent: the program's own cap
    int stageRate = 0;                    // 0: the stage's own choice
    bool realtime = false;
    const char* window = "shown"; // or "minimised", "unmapped"
    bool oldLoop = false; // the stage drawn at 60 Hz even while minimised, as before
    const char* platform = "xcb"; // nullptr: no program at all, the server and this counter alone
    double renderScale = 0; // 0: the stage's own choice
    bool otherProgram = false; // with no program: another one drawing in software, and a stand-in client
};

struct Outcome {
    int missed = -1;
    double cpu = 0, fps = 0, compositions = 0, stallP99 = 0, stallMax = 0, machineBusy = 0;
    std::string lateClients; // the server's word on who missed, "name count" pairs
    bool playing = false;
    std::string scheduling = "?", renderer = "?", threads = "?";
};

// The server's complaints between two offsets of its log: which client was not finished in time.
std::string lateClients(const QString& serverLog, qint64 from, qint64 to)
{
    QFile file(serverLog);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from)) return "?";
    std::map<std::string, int> late;
    for (const QByteArray& line : file.read(std::max<qint64>(0, to - from)).split('\n')) {
        const int at = line.indexOf("client = ");
        if (at < 0 || !line.contains("was not finished")) continue;
        const int end = line.indexOf(" was not finished");
        ++late[line.mid(at + 9, end - at - 9).toStdString()];
    }
    std::string text;
    for (const auto& [client, count] : late) text += (text.empty() ? "" : ", ") + client + " " + std::to_string(count);
    return text.empty() ? "-" : text;
}

Outcome measure(const QString& self, const Setup& setup, double seconds, const QString& config,
                const CountedServer& server)
{
    const QString& serverLog = server.log();
    Outcome outcome;
    if (!setup.platform) {
        QProcess load;
        jack_client_t* standIn = nullptr;
        if (setup.otherProgram) {
            auto environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            environment.insert(QString::fromLatin1(corvane::softwareRasterizerThreadsVariable),
                               QString::number(corvane::softwareRasterizerThreads(
                                   std::max(1u, std::thread::hardware_concurrency()))));
            load.setProcessEnvironment(environment);
            load.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            load.start(QStringLiteral(SOFTWARE_GL_LOAD_EXECUTABLE), {});
            load.waitForStarted(5000);
            standIn = server.openStandIn();
            QThread::msleep(2000); // its window shown and drawing
        }
        const double loadSecondsAtStart = setup.otherProgram ? processSeconds(pid_t(load.processId())) : 0;
        const int missedAtStart = server.missed();
        const auto machineAtStart = machineJiffies();
        const qint64 logAtStart = QFileInfo(serverLog).size();
        QThread::msleep(static_cast<unsigned long>(seconds * 1000));
        outcome.missed = server.missed() - missedAtStart;
        const auto machine = machineJiffies();
        outcome.machineBusy = double(machine.first - machineAtStart.first) /
                              double(std::max(1LL, machine.second - machineAtStart.second)) * 100;
        outcome.lateClients = lateClients(serverLog, logAtStart, QFileInfo(serverLog).size());
        outcome.scheduling = outcome.threads = "-";
        outcome.playing = true;
        if (setup.otherProgram) {
            outcome.cpu = (processSeconds(pid_t(load.processId())) - loadSecondsAtStart) / seconds * 100;
            outcome.playing = !load.waitForFinished(0); // still drawing
            if (standIn) jack_client_close(standIn);
            load.kill();
            load.waitForFinished(5000);
        }
        return outcome;
    }
    QProcess program;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("JACK_DEFAULT_SERVER"), QString::fromStdString(server.name()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(setup.platform));
    // With an X display the offscreen platform offers OpenGL contexts but no
    // OpenGL widgets, and the workspace would try to make the stage.
    if (QLatin1String(setup.platform) == QLatin1String("offscreen")) environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("com.corvane.linux.AudioPerformance.debug=true"));
    environment.remove(QStringLiteral("LP_NUM_THREADS"));
    if (setup.rasteriserThreads)
        environment.insert(QStringLiteral("LP_NUM_THREADS"), QString::number(*setup.rasteriserThreads));
    program.setProcessEnvironment(environment);
    if (!setup.realtime)
        program.setChildProcessModifier([] { ::prctl(PR_CAPBSET_DROP, CAP_SYS_NICE, 0, 0, 0); });
    QStringList arguments{QStringLiteral("--program"), QString::number(seconds), QString::number(setup.stageRate)};
    arguments << QString::fromLatin1(setup.window)
              << (setup.oldLoop ? QStringLiteral("old-loop") : QStringLiteral("own-loop"))
              << QString::number(setup.renderScale);
    program.start(self, arguments);

    int missedAtStart = 0;
    qint64 logAtStart = 0;
    std::pair<long long, long long> machineAtStart;
    QByteArray out, err;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds + 60));
    bool finished = false;
    while (!finished && Clock::now() < deadline) {
        program.waitForReadyRead(20);
        out += program.readAllStandardOutput();
        err += program.readAllStandardError();
        for (qsizetype end; (end = out.indexOf('\n')) >= 0; out.remove(0, end + 1)) {
            const std::string line = out.left(end).toStdString();
            if (line == "window-start") {
                missedAtStart = server.missed();
                machineAtStart = machineJiffies();
                logAtStart = QFileInfo(serverLog).size();
            } else if (line == "window-end") {
                outcome.missed = server.missed() - missedAtStart;
                QThread::msleep(100); // the server's last lines
                outcome.lateClients = lateClients(serverLog, logAtStart, QFileInfo(serverLog).size());
                const auto machine = machineJiffies();
                const double total = double(machine.second - machineAtStart.second);
                if (total > 0) outcome.machineBusy = double(machine.first - machineAtStart.first) / total * 100;
            } else if (line.rfind("result ", 0) == 0) {
                int playing = 0;
                char renderer[128] = {0};
                std::sscanf(line.c_str(),
                            "result cpu=%lf fps=%lf compositions=%lf stall=%lf/%lf playing=%d position=%*f "
                            "renderer=%127s",
                            &outcome.cpu, &outcome.fps, &outcome.compositions, &outcome.stallP99, &outcome.stallMax,
                            &playing, renderer);
                outcome.playing = playing != 0;
                outcome.renderer = renderer;
            }
        }
        if (program.state() == QProcess::NotRunning) finished = true;
    }
    if (!finished) {
        program.kill();
        program.waitForFinished(5000);
    }
    err += program.readAllStandardError();
    for (const QByteArray& line : err.split('\n')) {
        if (line.contains("Audio thread")) {
            outcome.scheduling = line.contains("real-time scheduling (") ? "real time" : "ordinary";
        } else if (line.contains("Stage drawn in software")) {
            const int at = line.indexOf(" with ");
            if (at >= 0) outcome.threads = line.mid(at + 6, line.indexOf(" rasteriser") - at - 6).toStdString();
        } else if (!line.trimmed().isEmpty() && !line.contains("drawable resized") && !line.startsWith("ALSA lib") &&
                   !line.contains("QStandardPaths") && !line.contains("propagateSizeHints")) {
            std::fprintf(stderr, "  [%s] %s\n", setup.name.c_str(), line.constData());
        }
    }
    if (program.exitCode() != 0) std::fprintf(stderr, "  [%s] the program ended with %d\n", setup.name.c_str(), program.exitCode());
    return outcome;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 7 && std::string(argv[1]) == "--program")
        return runProgram(std::atof(argv[2]), std::atoi(argv[3]), argv[4], std::string(argv[5]) == "old-loop",
                          std::atof(argv[6]));

    QCoreApplication app(argc, argv);
    double seconds = 20;
    bool sweep = false, realtimeServer = false;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--sweep") sweep = true;
        else if (std::string(argv[i]) == "--realtime-server") realtimeServer = true;
        else if (std::string(argv[i]).rfind("--only=", 0) == 0) only = std::string(argv[i]).substr(7);
        else if (std::atof(argv[i]) > 0) seconds = std::atof(argv[i]);
    }
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));

    std::printf("Für Elise with count-in and a live key every 250 ms, %.0f s a run, JACK dummy server 48 kHz / 256 "
                "frames (%.0f periods a run), the server %s\n",
                seconds, seconds * 48000 / 256,
                realtimeServer ? "real-time (its clients too where allowed)" : "without real time, as in the tests");
    sessionbench::printLoad();
    QTemporaryDir work;
    auto server = std::make_unique<CountedServer>(work.filePath(QStringLiteral("jackd.log")), realtimeServer);
    if (!server->ready()) {
        std::fprintf(stderr, "bench_stage_audio: no JACK client\n");
        return 1;
    }

    std::vector<Setup> setups{
        {"before", cores, 60, false, "shown", false, "xcb", 1.0},
        {"after, no rt", std::nullopt, 0, false, "shown", false},
        {"after, rt", std::nullopt, 0, true, "shown", false},
        {"after, rt, full-size frames", std::nullopt, 0, true, "shown", false, "xcb", 1.0},
        {"before, minimised", cores, 60, false, "minimised", true, "xcb", 1.0},
        {"after, no rt, minimised", std::nullopt, 0, false, "minimised", false},
        {"after, no rt, unmapped", std::nullopt, 0, false, "unmapped", false},
        {"no stage (offscreen), no rt", std::nullopt, 0, false, "shown", false, "offscreen"},
        {"another program", std::nullopt, 0, false, "shown", false, nullptr, 0, true},
        {"no program", std::nullopt, 0, false, "shown", false, nullptr},
    };
    if (sweep)
        for (int threads : {1, 2, 4, cores})
            for (int rate : {60, 30})
                setups.push_back({"sweep " + std::to_string(threads) + " threads " + std::to_string(rate) + " fps",
                                  threads, rate, false, "shown", false});

    const QString self = QCoreApplication::applicationFilePath();
    std::printf("%-28s %6s %6s %8s %6s %7s %11s %-10s %-7s %6s  %s\n", "run", "missed", "share", "app CPU", "stage",
                "window", "main stall", "audio", "threads", "busy", "late clients (server log)");
    std::printf("%-28s %6s %6s %8s %6s %7s %11s %-10s %-7s %6s\n", "", "", "", "", "fps", "comp/s", "p99/max ms",
                "thread", "", "machine");
    int index = 0;
    std::string renderer;
    // --only=TEXT: the set-ups whose name contains TEXT; --only==NAME: that one alone.
    const auto selected = [&](const Setup& setup) {
        if (only.empty()) return true;
        return only[0] == '=' ? setup.name == only.substr(1) : setup.name.find(only) != std::string::npos;
    };
    // Missed periods of the runs the last line sums up, by run and server.
    std::map<std::pair<std::string, bool>, int> missed;
    const auto run = [&](const Setup& setup, const std::string& label) {
        const auto o = measure(self, setup, seconds, work.filePath(QString::number(index++)), *server);
        missed[{setup.name, server->realtime()}] = o.missed;
        const std::string& name = label.empty() ? setup.name : label;
        if (renderer.empty() || renderer == "?") renderer = o.renderer;
        const double periods = seconds * 48000 / 256;
        std::printf("%-28s %6d %5.2f%% %7.0f%% %6.1f %7.1f %5.0f/%-5.0f %-10s %-7s %5.0f%%  %s%s\n", name.c_str(),
                    o.missed, o.missed < 0 ? 0.0 : o.missed / periods * 100, o.cpu, o.fps, o.compositions, o.stallP99,
                    o.stallMax, o.scheduling.c_str(),
                    setup.rasteriserThreads ? std::to_string(*setup.rasteriserThreads).c_str() : o.threads.c_str(),
                    o.machineBusy, o.lateClients.c_str(), o.playing ? "" : "  (not playing at the end)");
        std::fflush(stdout);
    };
    for (const auto& setup : setups)
        if (selected(setup)) run(setup, {});

    // The same program on the other kind of server, and that server's own floor.
    const auto another = std::find_if(setups.begin(), setups.end(), [](const Setup& s) { return s.otherProgram; });
    const std::vector<Setup> other{realtimeServer ? setups[1] : setups[2], *another, setups.back()};
    if (std::any_of(other.begin(), other.end(),
                    selected)) {
        server.reset(); // one server at a time
        server = std::make_unique<CountedServer>(work.filePath(QStringLiteral("jackd-other.log")), !realtimeServer);
        if (!server->ready()) {
            std::fprintf(stderr, "bench_stage_audio: no JACK client on the second server\n");
            return 1;
        }
        for (const auto& setup : other)
            if (selected(setup))
                run(setup, setup.name + (realtimeServer ? " (no rt server)" : " (rt server)"));
    }
    std::printf("renderer %s; app CPU: the program's processor time (100%% = one core); machine busy: all "
                "processes, during the run\n",
                renderer.c_str());
    sessionbench::printLoad();
    const auto realtime = missed.find({"after, rt", true});
    const auto ordinary = missed.find({"after, no rt", false});
    const auto floor = missed.find({"no program", false});
    if (realtime != missed.end() && ordinary != missed.end() && floor != missed.end())
        std::printf("missed periods in %.0f s: real-time %d, not real-time %d, no program %d\n", seconds,
                    realtime->second, ordinary->second, floor->second);
    const auto anotherRealtime = missed.find({"another program", true});
    const auto anotherOrdinary = missed.find({"another program", false});
    if (anotherRealtime != missed.end() && anotherOrdinary != missed.end())
        std::printf("missed periods in %.0f s with another program drawing in software instead: real-time %d, not "
                    "real-time %d\n",
                    seconds, anotherRealtime->second, anotherOrdinary->second);
    return 0;
}
