// The inspector's "Trechos" section with a song's 50 saved loops, on the
// offscreen platform and a JACK dummy server. Per bump of the controller's
// progress revision it measures the main-thread time of the section (its
// handler and the events, paints included, delivered to it afterwards),
// checks that no row is made after the first refresh and that a rename left
// open survives every bump. Also the first build of the rows.
//
//   bench_loop_rows [bumps]   (default 1000)

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cstdlib>

#include "CorvaneApp/inspector/InspectorLoopControls.hpp"
#include "CorvaneApp/inspector/SavedLoopRow.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "session/SessionBench.hpp"
#include "workspace/TimingApplication.hpp"

using namespace corvane;
using namespace sessionbench;

namespace {

// `measures` bars of 4/4 at 120, one whole note each.
smf::Bytes barSong(int measures)
{
    smf::Track conductor;
    conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
    smf::Track melody;
    for (int i = 0; i < measures; ++i)
        melody.noteOn(0, std::uint8_t(60 + i % 12)).noteOff(4 * 480, std::uint8_t(60 + i % 12));
    melody.endOfTrack();
    return smf::file(1, 480, {conductor, melody});
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    workspacebench::TimingApplication application(argc, argv);
    const int bumps = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (bumps < 100) return 2;

    printLoad();
    JackTestServer server(48000, 128);
    server.releaseTurn();
    Folder folder;
    Session session(folder.path() / "defaults.json");
    auto& c = *session.controller;
    c.loadMIDI(folder.write("compassos.mid", barSong(120)));
    if (c.lastImportError()) {
        std::fprintf(stderr, "load failed: %s\n", c.lastImportError()->c_str());
        return 1;
    }
    if (c.isPlaying()) c.togglePlayback();
    const std::string song = c.currentSongReference()->stableID();
    const auto limit = PracticeLoopStore::applicationMaximumPerSong;
    for (std::int64_t i = 0; i < limit; ++i)
        session.stores->loops.add(PracticeLoopBookmark(UUID::random(), 1 + 2 * i, 2 + 2 * i,
                                                       i % 3 ? "" : "Trecho " + std::to_string(i),
                                                       PracticeMetrics(60, 40, 20 + i % 7, 3, 2, 1 + i % 5), i % 9,
                                                       std::nullopt),
                                  song);
    c.setLoopStartMeasure(21);
    c.setLoopEndMeasure(22);

    // The section in a panel 258 wide, as the inspector shows it.
    Clock::time_point handlerStart;
    double handlerMicroseconds = 0;
    QObject::connect(&c, &PracticeSessionStore::progressRevisionChanged, [&] { handlerStart = Clock::now(); });
    QWidget panel;
    panel.setAutoFillBackground(true);
    auto column = new QVBoxLayout(&panel);
    column->setContentsMargins(14, 14, 14, 14);
    const auto built = Clock::now();
    auto controls = new InspectorLoopControls(c);
    column->addWidget(new StudioSection(QStringLiteral("Trechos"), std::nullopt, controls, controls->accessory()));
    const double buildMilliseconds = microsecondsSince(built) / 1000;
    QObject::connect(&c, &PracticeSessionStore::progressRevisionChanged,
                     [&] { handlerMicroseconds += microsecondsSince(handlerStart); });
    panel.resize(258, panel.sizeHint().height());
    panel.show();
    processEventsFor(std::chrono::milliseconds(200));
    const auto rowsAtStart = controls->rowsCreated();
    if (controls->savedRows().size() != std::size_t(limit)) return 1;

    // A rename left open on one row; another row's name changes at every bump.
    SavedLoopRow* renamed = controls->savedRows()[10];
    renamed->beginRename();
    renamed->renameField().setText(QStringLiteral("Rascunho"));
    // The field's first layout and paint are the rename's, not a bump's.
    processEventsFor(std::chrono::milliseconds(100));
    const auto other = c.savedLoops()[30];

    application.watched = &panel;
    std::vector<double> viewTimes;
    for (int i = 0; i < bumps; ++i) {
        handlerMicroseconds = 0;
        application.microseconds = 0;
        // Alternately a loop renamed (one row changes) and the session's
        // metrics reset (nothing the rows show changes).
        if (i % 2)
            c.resetSessionMetrics();
        else
            c.renameLoop(other, i % 4 ? "Ponte" : "Ponte lenta");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        viewTimes.push_back((handlerMicroseconds + application.microseconds) / 1000);
    }
    application.watched = nullptr;

    std::printf("%lld saved loops, section %dx%d, %d bumps of the progress revision\n",
                static_cast<long long>(limit), panel.width(), panel.height(), bumps);
    std::printf("  %-40s %9.3f ms\n", "first section built (cold process)", buildMilliseconds);
    print("section time per bump (handler + events)", viewTimes, "ms");
    if (std::getenv("BRELMO_BENCH_DETAIL")) {
        std::vector<std::pair<double, int>> slowest;
        for (int i = 0; i < bumps; ++i) slowest.push_back({viewTimes[std::size_t(i)], i});
        std::sort(slowest.rbegin(), slowest.rend());
        for (int i = 0; i < 8; ++i) std::printf("    bump %d: %.3f ms\n", slowest[std::size_t(i)].second, slowest[std::size_t(i)].first);
    }
    // A second section, once the process is warm: its 50 rows built,
    // shown and painted (what a song change costs).
    std::vector<double> rebuildTimes;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        QWidget again;
        auto stack = new QVBoxLayout(&again);
        auto fresh = new InspectorLoopControls(c);
        stack->addWidget(new StudioSection(QStringLiteral("Trechos"), std::nullopt, fresh, fresh->accessory()));
        again.resize(258, again.sizeHint().height());
        again.show();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        again.repaint();
        rebuildTimes.push_back(microsecondsSince(start) / 1000);
    }
    print("section with 50 rows built and painted", rebuildTimes, "ms");
    std::printf("  rows made after the first refresh: %lld\n",
                static_cast<long long>(controls->rowsCreated() - rowsAtStart));
    std::printf("  rename still open: %s, draft \"%s\"\n", renamed->isRenaming() ? "yes" : "no",
                renamed->draftName().toUtf8().constData());
    printLoad();
    const auto summary = summarize(viewTimes);
    const bool met = summary.median <= 2 && summary.maximum <= 8 && controls->rowsCreated() == rowsAtStart &&
                     renamed->isRenaming() && renamed->draftName() == QStringLiteral("Rascunho");
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}
