// The track selection sheet over a large song, on the offscreen platform and
// a JACK dummy server. Per chip click it measures the main-thread time of the
// views (the sheet's handling of the new settings and the events, paints
// included, delivered to it afterwards) apart from the controller's (applying
// and storing the settings, re-arming the grading). Then the time to open
// the sheet over a song of many tracks, and to bring its rows over when such
// a song is opened under it.
//
//   bench_track_selection [notes] [tracks] [clicks] [many-tracks]   (defaults: 200000 64 400 500)

#include <QApplication>

#include <cstdlib>

#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/TrackListView.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/workspace/TrackSelectionModel.hpp"
#include "CorvaneApp/workspace/TrackSelectionSheet.hpp"
#include "session/SessionBench.hpp"
#include "workspace/TimingApplication.hpp"

using namespace corvane;
using namespace sessionbench;

namespace {

bool openHeld(PracticeSessionStore& c, const std::filesystem::path& song)
{
    c.loadMIDI(song);
    if (c.lastImportError()) {
        std::fprintf(stderr, "load failed: %s\n", c.lastImportError()->c_str());
        return false;
    }
    return c.isTrackSelectionPresented();
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    workspacebench::TimingApplication application(argc, argv);
    const long notes = argc > 1 ? std::atol(argv[1]) : 200'000;
    const int tracks = argc > 2 ? std::atoi(argv[2]) : 64;
    const int clicks = argc > 3 ? std::atoi(argv[3]) : 400;
    const int manyTracks = argc > 4 ? std::atoi(argv[4]) : 500;
    if (tracks < 3 || notes < tracks || clicks < 1 || manyTracks < 3 || manyTracks > 65535) return 2;

    printLoad();
    JackTestServer server(48000, 128);
    server.releaseTurn();
    Folder folder;
    Session session(folder.path() / "defaults.json");
    auto& c = *session.controller;

    // Chip clicks over `notes` notes on `tracks` tracks.
    if (!openHeld(c, folder.write("dense.mid", denseSong(notes, tracks)))) return 1;
    Clock::time_point handlerStart;
    double handlerMicroseconds = 0;
    QObject::connect(&c, &PracticeSessionStore::trackSettingsChanged, [&] { handlerStart = Clock::now(); });
    TrackSelectionSheet sheet(c);
    QObject::connect(&c, &PracticeSessionStore::trackSettingsChanged,
                     [&] { handlerMicroseconds += microsecondsSince(handlerStart); });
    sheet.show();
    processEventsFor(std::chrono::milliseconds(200));
    if (sheet.model().rowCount() != tracks) return 1;

    application.watched = &sheet;
    std::vector<double> viewTimes, controllerTimes;
    for (int i = 0; i < clicks; ++i) {
        // Each click changes the settings: the left hand moves to another
        // track, or back to automatic on the second click of a track.
        // The list makes the rows in view: the track's row is scrolled to first.
        const int listRow = (i / 2) % tracks;
        sheet.list().scrollToEntry(listRow);
        TrackRowView* row = sheet.row(sheet.model().entry(listRow).trackIndex);
        if (!row) return 1;
        handlerMicroseconds = 0;
        application.microseconds = 0;
        const auto start = Clock::now();
        row->leftChip().click();
        const double total = microsecondsSince(start);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        viewTimes.push_back((handlerMicroseconds + application.microseconds) / 1000);
        controllerTimes.push_back((total - handlerMicroseconds) / 1000);
    }
    application.watched = nullptr;
    std::printf("%ld notes on %d tracks, %d chip clicks, sheet %dx%d\n", notes, tracks, clicks, sheet.width(),
                sheet.height());
    print("view time per click (sheet + its events)", viewTimes, "ms");
    print("controller time per click", controllerTimes, "ms");
    sheet.hide();

    // Opening the sheet over a song of `manyTracks` tracks.
    const auto wide = folder.write("wide.mid", denseSong(notes, manyTracks));
    if (!openHeld(c, wide)) return 1;
    std::vector<double> openTimes;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        TrackSelectionSheet fresh(c);
        fresh.show();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        fresh.repaint();
        openTimes.push_back(microsecondsSince(start) / 1000);
        if (fresh.model().rowCount() != manyTracks) return 1;
    }
    std::printf("%ld notes on %d tracks\n", notes, manyTracks);
    print("sheet built, shown and painted", openTimes, "ms");

    // The rows brought over when the song changes under an open sheet.
    std::vector<double> syncTimes;
    Clock::time_point syncStart;
    QObject::connect(&c, &PracticeSessionStore::timelineNotesChanged, [&] { syncStart = Clock::now(); });
    TrackSelectionSheet open(c);
    QObject::connect(&c, &PracticeSessionStore::timelineNotesChanged,
                     [&] { syncTimes.push_back(microsecondsSince(syncStart) / 1000); });
    open.show();
    processEventsFor(std::chrono::milliseconds(100));
    const auto narrow = folder.write("narrow.mid", denseSong(notes, tracks));
    for (int i = 0; i < 3; ++i) {
        if (!openHeld(c, narrow) || !openHeld(c, wide)) return 1;
        processEventsFor(std::chrono::milliseconds(20));
    }
    print("rows brought over on a song change", syncTimes, "ms");
    printLoad();
    return 0;
}
