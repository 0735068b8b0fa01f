#include "WorkspaceTestSupport.hpp"

#include "CorvaneApp/kit/StageWoodRail.hpp"
#include "CorvaneApp/workspace/CountInBadge.hpp"
#include "CorvaneApp/workspace/NoteNames.hpp"
#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"
#include "CorvaneApp/workspace/StudyTimeline.hpp"
#include "CorvaneApp/workspace/WaitingBadge.hpp"

using namespace corvane;

TEST(NoteNames, SharpsAndOctavesFromMiddleC)
{
    EXPECT_EQ(noteName(60), "C4");
    EXPECT_EQ(noteName(61), "C\u266F4");
    EXPECT_EQ(noteName(21), "A0");
    EXPECT_EQ(noteName(108), "C8");
    EXPECT_EQ(noteName(0), "C-1");
    EXPECT_EQ(noteName(127), "G9");
    EXPECT_EQ(waitingTitle({67, 60, 64}), "Toque G4 + C4 + E4 para continuar");
    EXPECT_EQ(waitingTitle({21}), "Toque A0 para continuar");
}

TEST(PracticeBadges, CountInWordsItsBarAndBeat)
{
    CountInBadge badge;
    badge.setProgress({1, 2, 3});
    EXPECT_EQ(badge.beatText(), QStringLiteral("3"));
    EXPECT_EQ(badge.measureText(), QStringLiteral("Compasso 1 de 2"));
    EXPECT_EQ(badge.accessibleName(), QStringLiteral("Count In, compasso 1 de 2, tempo 3"));
    badge.setAnimates(false);
    badge.setPresented(true);
    EXPECT_TRUE(badge.isVisible());
    EXPECT_EQ(badge.presence(), 1.0);
    badge.setPresented(false);
    EXPECT_FALSE(badge.isVisible());
}

TEST(PracticeBadges, AnimatedBadgeComesAndGoesOnItsSpring)
{
    WaitingBadge badge;
    badge.setNotes({60, 64, 67});
    EXPECT_EQ(badge.title(), QStringLiteral("Toque C4 + E4 + G4 para continuar"));
    badge.setPresented(true);
    EXPECT_TRUE(badge.isVisible());
    EXPECT_LT(badge.presence(), 1.0);
    EXPECT_TRUE(processEventsUntil([&] { return badge.presence() == 1.0; }, std::chrono::seconds(3)));
    badge.setPresented(false);
    EXPECT_TRUE(processEventsUntil([&] { return !badge.isVisible(); }, std::chrono::seconds(3)));
}

TEST(PracticeWorkspace, RailSitsOnTheKeyboardsTopEdge)
{
    EXPECT_EQ(StageWoodRail::keyboardTop(120), 60);
    EXPECT_EQ(StageWoodRail::keyboardTop(500), 413);
    StageWoodRail rail;
    rail.place(800, 500);
    EXPECT_EQ(rail.geometry(), QRect(0, 411, 800, 4));
}

TEST(PracticeWorkspace, StageTakesWhatTheTimelineLeavesAndNoBadgeWithoutSong)
{
    ControllerHarness harness;
    PracticeWorkspaceView view(harness.controller(), WorkspaceStage::plain);
    view.resize(965, 762);
    view.show();
    processEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(view.hasRenderedStage());
    EXPECT_EQ(view.minimumSize(), QSize(560, 520));
    EXPECT_EQ(view.stage().height() + view.timeline().height(), 762);
    EXPECT_EQ(view.stage().width(), 965);
    EXPECT_EQ(view.woodRail().geometry().top(), int(std::floor(StageWoodRail::keyboardTop(view.stage().height()) - 1.75)));
    EXPECT_FALSE(view.countInBadge().isVisible());
    EXPECT_FALSE(view.waitingBadge().isVisible());
}

// The offscreen platform has no OpenGL widgets, even where it can make a
// context (an X display at hand): asked for the rendered stage, the workspace
// shows the plain one and draws without aborting.
TEST(PracticeWorkspace, OffscreenPlatformGetsThePlainStageEvenWithADisplay)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    ControllerHarness harness;
    PracticeWorkspaceView view(harness.controller(), WorkspaceStage::rendered);
    view.resize(965, 762);
    view.show();
    processEventsFor(std::chrono::milliseconds(50));
    EXPECT_FALSE(view.hasRenderedStage());
    EXPECT_FALSE(view.grab().isNull());
}
