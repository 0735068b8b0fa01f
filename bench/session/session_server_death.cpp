// The sound server killed under a playing session, round after round. Each
// round is a process of its own: the engine and the MIDI monitor on a JACK
// dummy server, as the application makes them, play a song; the server is
// killed (SIGKILL, a crash, or SIGTERM, an orderly stop) at another moment
// each round; the round then checks that the session stopped with the
// progress it had, what the controller tells the user, that a play without
// the server only says why it cannot, and that a play once the server is
// back under its name plays on from there. The parent counts the rounds
// that aborted, died of another signal, hung or failed a check.
//
//   bench_session_server_death [rounds] [kill|term|both]   (defaults: 100 both; both alternates)

#include <QCoreApplication>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>

#include <poll.h>
#include <sys/wait.h>

#include "SessionBench.hpp"
#include "support/JackTestServer.hpp"

using namespace corvane;
using namespace sessionbench;
using namespace std::chrono_literals;

namespace {

std::string quoted(const std::optional<std::string>& text) { return text ? "\"" + *text + "\"" : "(none)"; }

// Fields of a round's report, sent to the parent as they are known: a
// round that hangs has told how far it came.
class Report {
public:
    explicit Report(int out) : out_(out) {}
    template <class T> Report& operator<<(const T& value)
    {
        std::ostringstream text;
        text << value;
        const std::string bytes = text.str();
        (void)::write(out_, bytes.data(), bytes.size());
        return *this;
    }

private:
    int out_;
};

// One round, in the child: " key=value" fields on `out`, and exit status 0
// when every check held.
int runRound(int round, int signal, int out)
{
    Report line(out);
    bool ok = true;
    const auto fail = [&](const std::string& why) {
        ok = false;
        line << " failed=\"" << why << "\"";
    };
    const auto finish = [&] { return ok ? 0 : 1; };

    int argc = 1;
    char name[] = "bench_session_server_death";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    // The turn is kept for the round, seconds long: it kills and starts the
    // server and opens clients again throughout.
    JackTestServer server(48000, 128);
    Folder folder;
    const auto defaultsFile = folder.path() / "defaults.json";
    const auto song = folder.write("longa.mid", denseSong(2000, 2)); // two minutes
    double before = 0, stopped = 0;
    {
        Session session(defaultsFile);
        auto& c = *session.controller;
        if (!session.openAndPlay(song)) {
            fail("did not play");
            return finish();
        }
        // Another moment of the server's period (2.7 ms) and of the tick (8 ms) each round.
        processEventsFor(std::chrono::milliseconds(500 + (round * 37) % 400));
        before = c.playbackPositionSeconds();
        line << " stage=kill";
        const auto exited = server.kill(signal);
        if (!exited) {
            fail("the server did not end");
            return finish();
        }
        const auto killedAt = Clock::now();
        line << " server_exit_ms=" << *exited * 1000;
        const bool noticed =
            processEventsUntil([&] { return !session.engine->currentRenderClockInstant().has_value(); }, 5s);
        line << " noticed_ms=" << (noticed ? microsecondsSince(killedAt) / 1000 : -1.0);
        if (!noticed) fail("the engine did not notice");
        // Long enough for every tick and save that follows the death.
        processEventsFor(1200ms);
        stopped = c.playbackPositionSeconds();
        line << " before=" << before << " stopped=" << stopped << " playing=" << c.isPlaying()
             << " message=" << quoted(c.lastImportError()) << " output_error=" << quoted(session.engine->outputError());
        if (stopped < before || stopped > before + 1.0) fail("the position moved on or back");

        // The user pauses, which saves, and plays again without a server.
        line << " stage=pause";
        if (c.isPlaying()) c.togglePlayback();
        c.togglePlayback();
        processEventsFor(200ms);
        line << " play_without_server=" << quoted(c.lastImportError()) << " playing_after=" << c.isPlaying();
        if (std::abs(c.playbackPositionSeconds() - stopped) > 1e-9) fail("playing without a server moved the song");
        c.flushProgress();
        const auto& kept = session.stores->progress.currentSession();
        if (!kept || std::abs(kept->positionSeconds - stopped) > 1e-6) fail("the saved session lost its position");

        // The server comes back under its name; playing again plays on.
        line << " stage=restart";
        server.start();
        if (c.isPlaying()) c.togglePlayback();
        c.togglePlayback();
        const bool resumed = processEventsUntil([&] { return c.playbackPositionSeconds() > stopped + 0.3; }, 5s);
        line << " resumed=" << resumed;
        if (!resumed) fail("did not play on after the server came back");
        line << " stage=close";
        c.togglePlayback();
        c.flushProgress();
    }
    // What the next start would find on disk.
    DefaultsStore reread(defaultsFile);
    const auto records = PracticeProgressStore::read(reread, PracticeProgressStore::applicationMaximumHistoryCount);
    if (!records.currentSession || records.currentSession->positionSeconds < stopped + 0.3)
        fail("the stored session is not the one played");
    if (records.historyEntries.size() != 1) fail("history entries: " + std::to_string(records.historyEntries.size()));
    return finish();
}

struct Tally {
    int rounds = 0, passed = 0, aborted = 0, otherSignal = 0, hung = 0, failed = 0;
    std::map<std::string, int> messages;
    std::vector<double> serverExit, noticed;
};

std::string field(const std::string& line, const std::string& key)
{
    const auto at = line.find(" " + key + "=");
    if (at == std::string::npos) return {};
    const auto start = at + key.size() + 2;
    if (line[start] == '"') return line.substr(start, line.find('"', start + 1) - start + 1);
    return line.substr(start, line.find(' ', start) - start);
}

// Forks the round and waits for it, a minute at most.
void playRound(int round, int signal, Tally& tally)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        // The libraries' own chatter (RtAudio, JACK) stays out of the summary.
        if (const int quiet = ::open("/dev/null", O_WRONLY); quiet >= 0) ::dup2(quiet, STDERR_FILENO);
        int status = 2;
        try {
            status = runRound(round, signal, pipeEnds[1]);
        } catch (const std::exception& error) {
            const std::string text = std::string(" failed=\"") + error.what() + "\"";
            (void)::write(pipeEnds[1], text.data(), text.size());
        }
        std::fflush(stdout);
        ::_exit(status);
    }
    ::close(pipeEnds[1]);
    std::string report;
    int status = 0;
    const auto deadline = Clock::now() + 60s;
    bool ended = false;
    while (!ended) {
        pollfd p{pipeEnds[0], POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buffer[1024];
            const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (n > 0) report.append(buffer, static_cast<std::size_t>(n));
        }
        ended = ::waitpid(child, &status, WNOHANG) == child;
        if (!ended && Clock::now() > deadline) {
            // Where it hangs, when a debugger is at hand.
            const std::string stacks = "gdb -batch -p " + std::to_string(child) +
                                       " -ex 'thread apply all bt' > hung-round-" + std::to_string(round) +
                                       ".txt 2>&1";
            if (std::system(stacks.c_str()) == 0)
                report += " (stacks in hung-round-" + std::to_string(round) + ".txt)";
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ++tally.hung;
            report += " (hung: killed after a minute)";
            ended = true;
            status = -1;
        }
    }
    char buffer[1024];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);

    ++tally.rounds;
    if (status != -1 && WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGABRT) ++tally.aborted;
        else ++tally.otherSignal;
        report += std::string(" (died of ") + ::strsignal(WTERMSIG(status)) + ")";
    } else if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        ++tally.passed;
    } else if (status != -1) {
        ++tally.failed;
    }
    ++tally.messages["after the death: playing " + field(report, "playing") + ", message " + field(report, "message") +
                     "; played without the server: playing " + field(report, "playing_after") + ", message " +
                     field(report, "play_without_server")];
    if (const auto exit = field(report, "server_exit_ms"); !exit.empty()) tally.serverExit.push_back(std::stod(exit));
    if (const auto noticed = field(report, "noticed_ms"); !noticed.empty() && std::stod(noticed) >= 0)
        tally.noticed.push_back(std::stod(noticed));
    const bool passed = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!passed) std::printf("  round %d (%s): %s\n", round, signal == SIGKILL ? "SIGKILL" : "SIGTERM", report.c_str());
}

void summarize(const char* what, const Tally& t)
{
    std::printf("%s: %d rounds, %d passed, %d aborted, %d died of another signal, %d hung, %d failed a check\n", what,
                t.rounds, t.passed, t.aborted, t.otherSignal, t.hung, t.failed);
    for (const auto& [message, count] : t.messages) std::printf("  %3d x %s\n", count, message.c_str());
    print("server ended after the signal", t.serverExit, "ms");
    print("engine noticed after the server ended", t.noticed, "ms");
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
    const std::string which = argc > 2 ? argv[2] : "both";
    if (rounds < 1 || (which != "kill" && which != "term" && which != "both")) {
        std::fprintf(stderr, "usage: %s [rounds] [kill|term|both]\n", argv[0]);
        return 2;
    }
    printLoad();
    Tally kill, term;
    for (int round = 1; round <= rounds; ++round) {
        const bool useKill = which == "kill" || (which == "both" && round % 2 == 1);
        playRound(round, useKill ? SIGKILL : SIGTERM, useKill ? kill : term);
    }
    if (kill.rounds) summarize("SIGKILL (a crash)", kill);
    if (term.rounds) summarize("SIGTERM (an orderly stop)", term);
    printLoad();
    return kill.rounds - kill.passed + term.rounds - term.passed == 0 ? 0 : 1;
}
