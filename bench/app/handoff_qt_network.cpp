// bench_handoff_qt_network [RUNS]: what making the hand-off between
// instances on Qt Network would add to the program's start. Starts a bare
// Qt Widgets window (bench_bare_qt_window) and the same window that starts
// the hand-off on Qt's local sockets as its application object is made,
// linking Qt Network and the libraries it needs (bench_qt_local_socket_window),
// RUNS times each (default 40), alternating which goes first, each launch a
// second after the last ended; prints the median time from process start to
// the first turn of each, and the median of the differences between the two
// runs of a round. Needs an X server (xvfb-run); the windows find a session
// bus of the benchmark's own.

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "support/PrivateSessionBus.hpp"

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Process start to the first turn of `program`; nothing when it did not say.
std::optional<double> firstTurn(const char* program, const QProcessEnvironment& environment)
{
    QThread::msleep(1000);
    QProcess window;
    window.setProcessEnvironment(environment);
    const double startedAt =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    window.start(QString::fromUtf8(program), {});
    if (!window.waitForFinished(10000)) {
        window.kill();
        window.waitForFinished(5000);
        return std::nullopt;
    }
    bool ok = false;
    const double at = window.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok ? std::optional(at - startedAt) : std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) {
        std::fprintf(stderr, "bench_handoff_qt_network: no session bus (is dbus-daemon installed?)\n");
        return 1;
    }
    auto environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());

    std::vector<double> bare, onQtNetwork, differences;
    for (int round = 0; round < runs; ++round) {
        std::optional<double> plain, withQt;
        if (round % 2 == 0) {
            plain = firstTurn(BARE_QT_WINDOW_EXECUTABLE, environment);
            withQt = firstTurn(QT_LOCAL_SOCKET_WINDOW_EXECUTABLE, environment);
        } else {
            withQt = firstTurn(QT_LOCAL_SOCKET_WINDOW_EXECUTABLE, environment);
            plain = firstTurn(BARE_QT_WINDOW_EXECUTABLE, environment);
        }
        if (!plain || !withQt) continue;
        bare.push_back(*plain);
        onQtNetwork.push_back(*withQt);
        differences.push_back(*withQt - *plain);
    }
    if (bare.empty()) {
        std::fprintf(stderr, "bench_handoff_qt_network: the windows did not start (is there an X server?)\n");
        return 1;
    }
    std::printf("process start to the first turn, median of %zu rounds, each launch a second after the last:\n",
                bare.size());
    std::printf("  bare Qt Widgets window:                           %6.2f ms\n", median(bare));
    std::printf("  the same with the hand-off on Qt's local sockets: %6.2f ms\n", median(onQtNetwork));
    std::printf("  difference within a round: median %+.2f ms (%+.1f%% of the bare window's)\n", median(differences),
                100.0 * median(differences) / median(bare));
    return 0;
}
