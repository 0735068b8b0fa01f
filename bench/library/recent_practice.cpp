// Main-thread cost of the recent-practice screen with a full history: 200
// sessions of 200 different songs (so 200 recent songs), read from the
// progress store as the main window reads them, on the offscreen platform at
// the size of the main window's destination area. Each step must fit in a
// 60 Hz frame (16 ms):
//
//   first build      the screen made and shown: the lists read, 400 rows made, laid out, painted
//                    (the very first build, which also opens the date formatters and loads the
//                    fonts, is reported on its own)
//   one row changed  a session's metrics changed: read in the next turn, one row given new data, painted
//   nothing changed  a progress revision that changes nothing: read, compared, painted
//
//   bench_recent_practice [rounds]     (default 30)

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneApp/library/RecentPracticeView.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int sessions = 200;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Timing {
    const char* name;
    std::vector<double> samples;

    void report(bool& allWithinFrame) const
    {
        auto sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted[sorted.size() / 2];
        const double worst = sorted.back();
        const bool ok = worst < 16.0;
        allWithinFrame = allWithinFrame && ok;
        std::printf("%-16s median %7.2f ms   max %7.2f ms   %s\n", name, median, worst, ok ? "ok" : "OVER 16 ms");
    }
};

PracticeHistoryEntry entry(int index, Date startedAt, double seconds)
{
    const std::string title = "Estudo " + std::to_string(index) + " — Prelúdio em forma de sonata";
    return PracticeHistoryEntry(UUID::random(), title,
                                PracticeSongReference::externalFile("/música/estudos/" + std::to_string(index) + ".mid"),
                                startedAt, startedAt.addingTimeInterval(seconds), 12.5,
                                PracticeMetrics(seconds, 120 + index, 80, 12, 9, 19));
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    TestFolder folder("brelmo-bench-recent");
    DefaultsStore defaults(folder.path() / "defaults.json");
    PracticeProgressStore progress(defaults, PracticeProgressStore::applicationMaximumHistoryCount);
    const Date now = Date::now();
    std::vector<PracticeHistoryEntry> entries;
    for (int i = 0; i < sessions; ++i) {
        entries.push_back(entry(i, now.addingTimeInterval(-3600.0 * i), 300 + 7 * i));
        progress.upsertHistory(entries.back());
    }
    const auto source = [&] { return RecentPracticeContents{progress.recentSongs(), progress.historyEntries()}; };
    const RecentPracticeActions actions{[](const RecentPracticeSong&) {}, [](const PracticeHistoryEntry&) {},
                                        [](const RecentPracticeSong&) {}};
    const QSize destinationArea(1280 - 3 * 19 - 258, 762);

    std::printf("%d sessions, %zu recent songs, %d rounds\n", sessions, progress.recentSongs().size(), rounds);
    bool allWithinFrame = true;

    Timing firstBuild{"first build", {}};
    for (int round = 0; round <= rounds; ++round) {
        const auto start = Clock::now();
        auto view = std::make_unique<RecentPracticeView>(actions);
        view->resize(destinationArea);
        view->setSource(source);
        view->show();
        QCoreApplication::sendPostedEvents();
        view->repaint();
        firstBuild.samples.push_back(millisecondsSince(start));
        view.reset();
        QCoreApplication::processEvents();
    }

    RecentPracticeView view(actions);
    view.resize(destinationArea);
    view.setSource(source);
    view.show();
    processEventsFor(std::chrono::milliseconds(50));

    // One turn of the event loop after the revision moved, as the window sees it.
    const auto revisionMoved = [&](Timing& timing) {
        const int reads = view.sourceReadCount();
        const auto start = Clock::now();
        view.sourceChanged();
        while (view.sourceReadCount() == reads) QCoreApplication::processEvents();
        view.repaint();
        timing.samples.push_back(millisecondsSince(start));
    };

    Timing oneRow{"one row changed", {}};
    for (int round = 0; round < rounds; ++round) {
        PracticeHistoryEntry& changed = entries[(round * 37) % sessions];
        changed.metrics = PracticeMetrics(changed.metrics.activeDurationSeconds + 61, 1, 1, 0, 0, 0);
        progress.upsertHistory(changed);
        const int before = view.rowChangeCount();
        revisionMoved(oneRow);
        // The session and its song: two rows.
        if (view.rowChangeCount() - before != 2)
            std::printf("unexpected: %d rows changed\n", view.rowChangeCount() - before);
    }

    Timing unchanged{"nothing changed", {}};
    for (int round = 0; round < rounds; ++round) {
        const int before = view.rowChangeCount();
        revisionMoved(unchanged);
        if (view.rowChangeCount() != before) std::printf("unexpected: rows changed\n");
    }

    // The first round also opens the date formatters and loads the fonts, once per process.
    std::printf("%-16s         %7.2f ms (first round, once per process)\n", "cold build", firstBuild.samples.front());
    firstBuild.samples.erase(firstBuild.samples.begin());
    firstBuild.report(allWithinFrame);
    oneRow.report(allWithinFrame);
    unchanged.report(allWithinFrame);
    return allWithinFrame ? 0 : 1;
}
