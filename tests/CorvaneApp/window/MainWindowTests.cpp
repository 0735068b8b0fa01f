#include <gtest/gtest.h>

#include <QAction>

#include "CorvaneApp/commands/PracticeCommands.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

namespace {

// Twenty seconds of quarter notes.
std::filesystem::path longSong(const FileFolder& files)
{
    smf::Track conductor;
    conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
    smf::Track melody;
    for (int i = 0; i < 40; ++i) melody.noteOn(0, 60 + i % 12).noteOff(480, 60 + i % 12);
    melody.endOfTrack();
    return files.write("Long.mid", smf::file(1, 480, {conductor, melody}));
}

} // namespace

TEST(MainWindow, ShortcutsReachTheControllerThroughTheMenus)
{
    ControllerHarness harness(true);
    FileFolder files;
    auto& controller = harness.controller();
    MainWindow window;
    window.attach(controller);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    RootView* view = window.rootView();
    EXPECT_EQ(window.windowTitle(), "Brelmo");
    EXPECT_FALSE(window.commands()->seekForwardAction()->isEnabled());

    view->open(longSong(files));
    ASSERT_TRUE(processEventsUntil([&] { return controller.isPlaying(); }));
    EXPECT_EQ(window.windowTitle(), "Long");
    EXPECT_EQ(window.commands()->togglePlaybackAction()->text(), "Pausar");
    EXPECT_TRUE(window.commands()->seekForwardAction()->isEnabled());

    // Space pauses, from the window's own key handling.
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(window.commands()->togglePlaybackAction()->text(), "Reproduzir");

    QTest::keyClick(view, Qt::Key_Up, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_DOUBLE_EQ(controller.playbackRate(), 1.05);
    QTest::keyClick(view, Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(view, Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_DOUBLE_EQ(controller.playbackRate(), 0.95);

    const double start = controller.playbackPositionSeconds();
    QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
    EXPECT_NEAR(controller.playbackPositionSeconds(), start + 5, 0.01);
    controller.setSeekStepSeconds(2);
    EXPECT_EQ(PracticeCommands::title(window.commands()->seekBackwardAction()), "Voltar 2 segundos");
    QTest::keyClick(view, Qt::Key_Left, Qt::AltModifier);
    EXPECT_NEAR(controller.playbackPositionSeconds(), start + 3, 0.01);

    // A marked passage repeats and is switched off again.
    QTest::keyClick(view, Qt::Key_BracketLeft, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(view, Qt::Key_BracketRight, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(window.commands()->clearLoopAction()->isEnabled());
    QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(controller.loopRange());
    EXPECT_NEAR(controller.loopRange()->startSeconds, start + 3, 0.01);
    EXPECT_NEAR(controller.loopRange()->endSeconds, start + 5, 0.01);
    EXPECT_TRUE(window.commands()->clearLoopAction()->isEnabled());
    QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_FALSE(controller.loopRange());

    // Return goes back to the start; so does Ctrl+Return.
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(controller.playbackPositionSeconds(), 0);
    QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(view, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(controller.playbackPositionSeconds(), 0);

    QTest::keyClick(view, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(view->selection(), LibraryDestination::recent);
    QTest::keyClick(view, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(view->selection(), LibraryDestination::practice);
    QTest::keyClick(view, Qt::Key_I, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(view->isSidebarPresented());
    QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(view->fileDialog());
    EXPECT_TRUE(view->fileDialog()->isVisible());
    view->fileDialog()->reject();
}
