#include <gtest/gtest.h>

#include <QStackedWidget>

#include "CorvaneApp/library/RecentPracticeRows.hpp"
#include "CorvaneApp/library/RecentPracticeView.hpp"
#include "CorvaneApp/library/SidebarRows.hpp"
#include "CorvaneApp/library/SidebarView.hpp"
#include "CorvaneApp/window/ErrorAlert.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/window/SidebarOverlay.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

namespace {

class SidebarAndRecent : public ::testing::Test {
protected:
    ControllerHarness harness{true};
    PracticeSessionStore& controller = harness.controller();
    FileFolder files;

    // Twenty seconds of quarter notes, named after the file.
    std::filesystem::path longSong(const std::string& name)
    {
        smf::Track conductor;
        conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
        smf::Track melody;
        for (int i = 0; i < 40; ++i) melody.noteOn(0, 60 + i % 12).noteOff(480, 60 + i % 12);
        melody.endOfTrack();
        return files.write(name + ".mid", smf::file(1, 480, {conductor, melody}));
    }

    // Opens the song, leaves it paused at `position` and saves its session.
    void practise(RootView& view, const std::string& name, double position)
    {
        view.open(longSong(name));
        ASSERT_EQ(controller.lastImportError(), std::nullopt);
        if (controller.isPlaying()) controller.togglePlayback();
        controller.seek(position);
        controller.flushProgress();
    }

    void openSidebar(RootView& view)
    {
        view.setSidebar(true);
        ASSERT_TRUE(processEventsUntil([&] { return view.sidebarView()->isVisible(); }));
    }
};

QString openTitle(PracticeSessionStore& controller)
{
    return controller.currentSong() ? QString::fromStdString(controller.currentSong()->title()) : QString();
}

} // namespace

TEST_F(SidebarAndRecent, TheSidebarShowsDestinationsAndReopensRecentSongsAtTheirPosition)
{
    RootView view(controller);
    view.show();
    practise(view, "Alfa", 1.5);
    practise(view, "Beta", 3.0);
    practise(view, "Gama", 2.0);

    openSidebar(view);
    SidebarView* sidebar = view.sidebarView();
    ASSERT_EQ(sidebar->recentRows().size(), 3u);
    EXPECT_EQ(sidebar->recentRows()[0]->song().title, "Gama");
    EXPECT_EQ(sidebar->recentRows()[2]->song().title, "Alfa");
    EXPECT_TRUE(sidebar->destinationRows()[0]->isSelected());

    // A destination: shown at once, and the sidebar closes.
    QTest::mouseClick(sidebar->destinationRows()[1], Qt::LeftButton);
    EXPECT_EQ(view.selection(), LibraryDestination::library);
    EXPECT_TRUE(view.destinationView(LibraryDestination::library)->isVisible());
    EXPECT_TRUE(sidebar->destinationRows()[1]->isSelected());
    EXPECT_FALSE(view.isSidebarPresented());

    // A recent song: opened where it was left, on the practice screen, sidebar closed.
    openSidebar(view);
    QTest::mouseClick(sidebar->recentRows()[2], Qt::LeftButton);
    EXPECT_EQ(openTitle(controller), "Alfa");
    EXPECT_NEAR(controller.playbackPositionSeconds(), 1.5, 0.01);
    EXPECT_EQ(view.selection(), LibraryDestination::practice);
    EXPECT_FALSE(view.isSidebarPresented());
}

TEST_F(SidebarAndRecent, SavedSessionsReachBothListsWhileTheyAreShown)
{
    RootView view(controller);
    view.show();
    practise(view, "Alfa", 1.5);
    view.setSelection(LibraryDestination::recent);
    auto recent = qobject_cast<RecentPracticeView*>(view.destinationView(LibraryDestination::recent));
    ASSERT_NE(recent, nullptr);
    ASSERT_TRUE(recent->isVisible());
    openSidebar(view);
    ASSERT_EQ(recent->songRows().size(), 1u);
    ASSERT_EQ(recent->historyRows().size(), 1u);
    ASSERT_EQ(view.sidebarView()->recentRows().size(), 1u);

    // Another song opened and saved while both lists are up.
    controller.loadMIDI(longSong("Beta"));
    if (controller.isPlaying()) controller.togglePlayback();
    controller.seek(4.0);
    controller.flushProgress();
    ASSERT_TRUE(processEventsUntil([&] {
        return recent->songRows().size() == 2 && view.sidebarView()->recentRows().size() == 2;
    }));
    EXPECT_EQ(recent->songRows()[0]->titleText(), "Beta");
    EXPECT_EQ(recent->historyRows()[0]->titleText(), "Beta");
    EXPECT_EQ(view.sidebarView()->recentRows()[0]->song().title, "Beta");
    view.setSidebar(false);

    // A past session continues at its own position.
    ASSERT_EQ(recent->historyRows()[1]->titleText(), "Alfa");
    QTest::mouseClick(recent->historyRows()[1], Qt::LeftButton);
    EXPECT_EQ(openTitle(controller), "Alfa");
    EXPECT_NEAR(controller.playbackPositionSeconds(), 1.5, 0.01);
    EXPECT_EQ(view.selection(), LibraryDestination::practice);

    // A song whose file is gone: the controller's words reach the window's alert.
    view.setSelection(LibraryDestination::recent);
    processEventsFor(std::chrono::milliseconds(20));
    std::filesystem::remove(files.path() / "Beta.mid");
    RecentSongRow* beta = recent->songRows()[1]->titleText() == "Beta" ? recent->songRows()[1] : recent->songRows()[0];
    QTest::mouseClick(beta, Qt::LeftButton);
    QMessageBox* alert = view.errorAlert().visibleBox();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->informativeText(), "O arquivo desta música recente não está mais acessível.");
    ASSERT_TRUE(clickButton(alert, QStringLiteral("OK")));
    EXPECT_EQ(openTitle(controller), "Alfa");

    // Zeroing a song from its menu takes it out of both lists.
    view.setSelection(LibraryDestination::recent);
    processEventsFor(std::chrono::milliseconds(20));
    const auto betaSong = std::find_if(recent->recentSongs().begin(), recent->recentSongs().end(),
                                       [](const RecentPracticeSong& s) { return s.title == "Beta"; });
    ASSERT_NE(betaSong, recent->recentSongs().end());
    recent->requestReset(*betaSong);
    ASSERT_TRUE(clickButton(recent->resetAlert(), QStringLiteral("Zerar")));
    ASSERT_TRUE(processEventsUntil([&] { return recent->songRows().size() == 1; }));
    EXPECT_EQ(recent->songRows()[0]->titleText(), "Alfa");
    for (auto row : recent->historyRows()) EXPECT_EQ(row->titleText(), "Alfa");
    openSidebar(view);
    ASSERT_EQ(view.sidebarView()->recentRows().size(), 1u);
    EXPECT_EQ(view.sidebarView()->recentRows()[0]->song().title, "Alfa");
}
