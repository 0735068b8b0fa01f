// bench_interrupted_writes [--kills=N] [--megabytes=M] [--program=PATH] [--then=PATH] [--keep]:
// what kills during writes of a large settings file leave behind.
//
// Makes a settings file of about M MB (default 30: 200 history entries and
// enough songs with 50 saved loops each), then N times (default 10) starts the
// real program with a song of its own on the command line, which saves that
// song's session into the file, and kills it with SIGKILL at a random moment
// while the file's temporary copy is being written. After each kill: the
// temporary files beside the settings file, and whether the file is valid and
// either the old one or the new (the one naming that round's song). Then one
// more start: the temporary files left once its window is up (or as soon as
// none is, within 10 s), and the file.
// PATH (default: the program built with this benchmark) lets an older build
// be measured the same way; --then=PATH makes the last start with another
// (what a build leaves for the next one). --keep keeps the settings folder and the log.
// Needs an X server; sound goes to a private JACK dummy server:
//   xvfb-run -a -s "-screen 0 1920x1200x24" build/release/bench/app/bench_interrupted_writes

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CorvaneLibrary/AtomicFileWriter.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "MachineLoad.hpp"
#include "ProgramEnvironment.hpp"
#include "X11PingProbe.hpp"
#include "library/LargeSettings.hpp"
#include "support/JackTestServer.hpp"
#include "support/PrivateSessionBus.hpp"
#include "support/SMFWriter.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Options {
    int kills = 10;
    double megabytes = 30;
    QString program = QStringLiteral(BRELMO_EXECUTABLE);
    QString lastProgram; // empty: the same
    bool keep = false;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("--kills="))) options.kills = std::max(1, argument.mid(8).toInt());
        else if (argument.startsWith(QLatin1String("--megabytes="))) options.megabytes = argument.mid(12).toDouble();
        else if (argument.startsWith(QLatin1String("--program="))) options.program = argument.mid(10);
        else if (argument.startsWith(QLatin1String("--then="))) options.lastProgram = argument.mid(7);
        else if (argument == QLatin1String("--keep")) options.keep = true;
    }
    return options;
}

struct Temporaries {
    int count = 0;
    std::uintmax_t bytes = 0;
    std::vector<std::filesystem::path> paths;
};

Temporaries temporariesBeside(const std::filesystem::path& file)
{
    Temporaries found;
    std::error_code ec;
    for (std::filesystem::directory_iterator entry(file.parent_path(), ec), end; !ec && entry != end;
         entry.increment(ec)) {
        if (!corvane::AtomicFileWriter::isTemporaryName(file, entry->path().filename().string())) continue;
        ++found.count;
        found.bytes += std::filesystem::file_size(entry->path(), ec);
        found.paths.push_back(entry->path());
    }
    return found;
}

QByteArray contentOf(const std::filesystem::path& file)
{
    QFile in(QString::fromStdString(file.string()));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// A settings document the program can read; with `song`, also whether its
// current session is that song's (kept as JSON in a base64 data value).
bool validSettings(const QByteArray& content, const std::string& song = {})
{
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !document.object()[QStringLiteral("values")].isObject())
        return false;
    if (song.empty()) return true;
    const auto values = document.object()[QStringLiteral("values")].toObject();
    const QByteArray session = QByteArray::fromBase64(
        values[QStringLiteral("practice.currentSession.v1")].toObject()[QStringLiteral("data")].toString().toLatin1());
    return session.contains(QByteArray::fromStdString(song));
}

// About `megabytes` of settings as a long-time user has them.
void makeSettings(const std::filesystem::path& file, double megabytes)
{
    int songs = 100;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::filesystem::remove(file);
        {
            corvane::DefaultsStore defaults(file);
            largesettings::fill(defaults, 200, songs, 50);
        }
        const double made = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
        songs = std::max(1, static_cast<int>(songs * megabytes / made));
    }
}

void writeSong(const std::filesystem::path& file, const std::string& title)
{
    smf::Track track;
    track.name(0, title).tempo(0, 500'000).timeSignature(0, 4, 2);
    for (int i = 0; i < 16; ++i) {
        const auto note = static_cast<std::uint8_t>(60 + i % 12);
        track.noteOn(0, note).noteOff(240, note);
    }
    track.endOfTrack();
    const auto bytes = smf::file(1, 480, {track});
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class Runner {
public:
    Runner(const Options& options, QString sessionBus, QString work)
        : options_(options), sessionBus_(std::move(sessionBus)), work_(std::move(work))
    {
    }

    std::filesystem::path settingsFile() const
    {
        return (work_ + QStringLiteral("/config/brelmo/defaults.json")).toStdString();
    }

    void start(QProcess& program, const QStringList& arguments, const QString& executable = {})
    {
        program.setProcessEnvironment(programEnvironment(sessionBus_, work_ + QStringLiteral("/config")));
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(work_ + QStringLiteral("/brelmo.log"), QIODevice::Append);
        program.start(executable.isEmpty() ? options_.program : executable, arguments);
        program.waitForStarted(10000);
    }

    // Starts the program on `song` and kills it at a random moment of a
    // write of the settings; answers whether the kill came while a
    // temporary copy was there, or nothing when no write came in 90 s.
    std::optional<bool> killDuringAWrite(const std::filesystem::path& song)
    {
        const auto file = settingsFile();
        const auto before = temporariesBeside(file).paths;
        QProcess program;
        start(program, {QString::fromStdString(song.string())});
        const auto started = Clock::now();
        std::optional<bool> during;
        while (Clock::now() - started < 90s && program.state() == QProcess::Running) {
            // A new temporary copy that has begun to fill: a write is under way.
            if (const auto copy = newlyFilled(file, before)) {
                std::this_thread::sleep_for(std::chrono::microseconds(delay_(random_)));
                during = std::filesystem::exists(*copy);
                break;
            }
            std::this_thread::sleep_for(1ms);
        }
        ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
        program.waitForFinished(10000);
        return during;
    }

    // Starts the program without files; answers once its window is up, or after 60 s.
    bool startUntilWindow(QProcess& program)
    {
        start(program, {}, options_.lastProgram);
        const auto started = Clock::now();
        while (Clock::now() - started < 60s && program.state() == QProcess::Running) {
            for (const xcb_window_t window : probe_.windowsOf(program.processId()))
                if (probe_.title(window) == "Brelmo") return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

private:
    static std::optional<std::filesystem::path> newlyFilled(const std::filesystem::path& file,
                                                            const std::vector<std::filesystem::path>& before)
    {
        std::error_code ec;
        for (const auto& path : temporariesBeside(file).paths)
            if (std::find(before.begin(), before.end(), path) == before.end() &&
                std::filesystem::file_size(path, ec) > 0 && !ec)
                return path;
        return std::nullopt;
    }

    const Options& options_;
    QString sessionBus_;
    QString work_;
    X11PingProbe probe_;
    std::mt19937 random_{std::random_device{}()};
    std::uniform_int_distribution<int> delay_{0, 300'000};
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options options = parse(app.arguments().mid(1));
    JackTestServer jack; // the program finds it through the environment
    jack.releaseTurn();
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) {
        std::fprintf(stderr, "bench_interrupted_writes: no session bus (is dbus-daemon installed?)\n");
        return 1;
    }
    QTemporaryDir work;
    if (options.keep) work.setAutoRemove(false);
    Runner runner(options, bus.address(), work.path());
    const auto file = runner.settingsFile();
    makeSettings(file, options.megabytes);
    std::printf("program: %s\nmachine load at the start: %s\nsettings file: %.1f MB\n",
                options.program.toUtf8().constData(), machineLoad().c_str(),
                static_cast<double>(std::filesystem::file_size(file)) / 1e6);
    std::fflush(stdout);

    int killsDuringWrites = 0, attempts = 0, neitherOldNorNew = 0;
    while (killsDuringWrites < options.kills && attempts < options.kills * 3) {
        ++attempts;
        const std::string title = "rodada-" + std::to_string(attempts);
        const auto song = std::filesystem::path(work.path().toStdString()) / (title + ".mid");
        writeSong(song, title);
        const QByteArray old = contentOf(file);
        const auto during = runner.killDuringAWrite(song);
        const QByteArray now = contentOf(file);
        const bool isOld = now == old;
        const bool isNew = !isOld && validSettings(now, title);
        if (!isOld && !isNew) ++neitherOldNorNew;
        if (during && *during) ++killsDuringWrites;
        const Temporaries left = temporariesBeside(file);
        std::printf("kill %d (%s): %d temporary files beside it (%.1f MB); the settings file is %s\n", attempts,
                    !during ? "no write within 90 s" : *during ? "during a write" : "just after a write", left.count,
                    static_cast<double>(left.bytes) / 1e6,
                    isOld ? "the old one" : isNew ? "the new one" : "NEITHER the old nor the new one");
        std::fflush(stdout);
    }

    const Temporaries beforeStart = temporariesBeside(file);
    const QByteArray kept = contentOf(file);
    QProcess program;
    const bool windowUp = runner.startUntilWindow(program);
    // The clean-up runs on a worker beside the window's start: up to 10 s for it.
    const auto windowAt = Clock::now();
    Temporaries afterStart = temporariesBeside(file);
    while (afterStart.count > 0 && Clock::now() - windowAt < 10s) {
        std::this_thread::sleep_for(10ms);
        afterStart = temporariesBeside(file);
    }
    const double clearedMilliseconds = std::chrono::duration<double, std::milli>(Clock::now() - windowAt).count();
    const QByteArray afterContent = contentOf(file);
    const bool valid = validSettings(afterContent);
    program.terminate();
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished(5000);
    }
    std::printf("%d kills during writes in %d attempts; the settings file neither old nor new after %d\n",
                killsDuringWrites, attempts, neitherOldNorNew);
    std::printf("before the next start: %d temporary files (%.1f MB)\n", beforeStart.count,
                static_cast<double>(beforeStart.bytes) / 1e6);
    if (!options.lastProgram.isEmpty()) std::printf("last start: %s\n", options.lastProgram.toUtf8().constData());
    std::printf("%.0f ms after its window was up%s: %d temporary files (%.1f MB); the settings file %s, %s\n",
                clearedMilliseconds, windowUp ? "" : " (NO WINDOW within 60 s)", afterStart.count,
                static_cast<double>(afterStart.bytes) / 1e6, valid ? "valid" : "NOT VALID",
                afterContent == kept ? "as the kills left it" : "written again by that start");
    std::printf("machine load at the end: %s\n", machineLoad().c_str());
    if (options.keep) std::printf("settings folder and log kept in %s\n", work.path().toUtf8().constData());
    const bool passed = afterStart.count == 0 && valid && neitherOldNorNew == 0 && windowUp;
    return passed ? 0 : 1;
}
