// The practice screen (plain stage: the renderer has its own benchmark) with
// a dense song playing on the real engine. Per playback tick it measures the
// main-thread time spent in the workspace: the controller's change signals
// handled by its widgets, and the events (paints included) delivered to
// them; and how much of the window each tick repaints.
//
//   bench_workspace_frame [notes] [seconds]   (defaults: 10000 10)

#include <QApplication>
#include <QPaintEvent>

#include <cstdlib>

#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"
#include "session/SessionBench.hpp"

using namespace corvane;
using namespace sessionbench;

namespace {

// Times the outermost events whose receiver is the workspace or inside it.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;

    QWidget* watched = nullptr;
    double tickMicroseconds = 0;
    QRegion tickRegion;

    bool notify(QObject* receiver, QEvent* event) override
    {
        auto widget = qobject_cast<QWidget*>(receiver);
        const bool inside = watched && widget && (widget == watched || watched->isAncestorOf(widget));
        if (inside && event->type() == QEvent::Paint)
            tickRegion += static_cast<QPaintEvent*>(event)->region().translated(widget->mapTo(watched, QPoint()));
        if (!inside || depth_ > 0) return QApplication::notify(receiver, event);
        ++depth_;
        const auto start = Clock::now();
        const bool result = QApplication::notify(receiver, event);
        tickMicroseconds += microsecondsSince(start);
        --depth_;
        return result;
    }

private:
    int depth_ = 0;
};

double area(const QRegion& region)
{
    double sum = 0;
    for (const QRect& r : region) sum += double(r.width()) * r.height();
    return sum;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TimingApplication application(argc, argv);
    const long notes = argc > 1 ? std::atol(argv[1]) : 10'000;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10;
    if (notes < 16 || !(seconds > 0)) return 2;

    printLoad();
    JackTestServer server(48000, 128);
    server.releaseTurn();
    Folder folder;
    Session session(folder.path() / "defaults.json");
    auto& c = *session.controller;

    Clock::time_point signalStart;
    QObject::connect(&c, &PracticeSessionStore::playbackPositionSecondsChanged, [&] { signalStart = Clock::now(); });
    PracticeWorkspaceView workspace(c, WorkspaceStage::plain);
    QObject::connect(&c, &PracticeSessionStore::playbackPositionSecondsChanged,
                     [&] { application.tickMicroseconds += microsecondsSince(signalStart); });
    workspace.resize(965, 762);
    workspace.show();
    processEventsFor(std::chrono::milliseconds(200));

    if (!session.openAndPlay(folder.write("dense.mid", denseSong(notes, 16)))) return 1;
    processEventsFor(std::chrono::milliseconds(300));
    application.watched = &workspace;

    std::vector<double> perTick, paintedShare;
    const double windowArea = double(workspace.width()) * workspace.height();
    int fullRepaints = 0;
    double lastPosition = c.playbackPositionSeconds();
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    application.tickMicroseconds = 0;
    application.tickRegion = {};
    while (Clock::now() < end && c.isPlaying()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (c.playbackPositionSeconds() == lastPosition) continue;
        // A tick has been handled; let its repaint through before closing it.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        lastPosition = c.playbackPositionSeconds();
        perTick.push_back(application.tickMicroseconds);
        const double share = area(application.tickRegion) / windowArea;
        paintedShare.push_back(share * 100);
        if (share > 0.9) ++fullRepaints;
        application.tickMicroseconds = 0;
        application.tickRegion = {};
    }
    std::printf("%ld notes, %.0f s playing, window %dx%d, plain stage\n", notes, seconds, workspace.width(),
                workspace.height());
    print("workspace main-thread time per tick", perTick, "us");
    print("repainted share of the window per tick", paintedShare, "%");
    std::printf("  ticks that repainted more than 90%% of the window: %d of %zu\n", fullRepaints, perTick.size());
    printLoad();
    return perTick.empty() ? 1 : 0;
}
