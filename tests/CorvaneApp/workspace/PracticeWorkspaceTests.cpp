#include "WorkspaceTestSupport.hpp"

#include <QElapsedTimer>
#include <QImage>

#include <cmath>
#include <optional>
#include <vector>

#include "CorvaneApp/kit/StageWoodRail.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/workspace/CountInBadge.hpp"
#include "CorvaneApp/workspace/NoteNames.hpp"
#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"
#include "CorvaneApp/workspace/StudyTimelineView.hpp"
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

namespace {

constexpr int beatRowTop = 22; // the badge's top padding

// Whether rows [from, to) of `picture`, inside the side padding (clear of
// the panel's rounded corners), are those `shift` rows lower of `source`.
bool showsRowsOf(const QImage& picture, const QImage& source, int from, int to, int shift)
{
    for (int y = from; y < to; ++y) {
        for (int x = 32; x < picture.width() - 32; ++x) {
            if (std::abs(QColor(picture.pixel(x, y)).lightness() - QColor(source.pixel(x, y + shift)).lightness()) > 8)
                return false;
        }
    }
    return true;
}

// A run of rows of the beat row holding bright (text) pixels.
struct InkBand {
    int top = 0, bottom = 0; // inclusive
};

// The bands of text in the beat row of a count-in badge's picture.
std::vector<InkBand> beatInk(const QImage& picture)
{
    const int rowBottom = beatRowTop + QFontMetrics(studioDisplay(64)).height() - 1;
    std::vector<InkBand> bands;
    std::optional<InkBand> open;
    for (int y = beatRowTop; y <= rowBottom + 1; ++y) {
        bool inked = false;
        for (int x = 32; x < picture.width() - 32 && y <= rowBottom && !inked; ++x)
            inked = QColor(picture.pixel(x, y)).lightness() > 160;
        if (inked) {
            if (!open) open = InkBand{y, y};
            open->bottom = y;
        } else if (open) {
            bands.push_back(*open);
            open.reset();
        }
    }
    return bands;
}

// A shown badge on beat `beat` of the first bar.
void showBeat(CountInBadge& badge, std::int64_t beat, bool animates)
{
    badge.setAnimates(false);
    badge.setProgress({1, 2, beat});
    badge.setPresented(true);
    badge.setAnimates(animates);
}

// The badge's picture at `fraction` of its running roll.
QImage rollFrame(CountInBadge& badge, double fraction)
{
    auto& roll = badge.beatRoll();
    roll.pause();
    roll.setCurrentTime(static_cast<int>(roll.duration() * fraction));
    return badge.grab().toImage();
}

} // namespace

TEST(PracticeBadges, NewBeatRollsUpwardsAndStandsStillWithReducedMotion)
{
    CountInBadge one, two;
    showBeat(one, 1, false);
    showBeat(two, 2, false);
    const QImage twoPicture = two.grab().toImage();
    ASSERT_EQ(beatInk(one.grab().toImage()).size(), 1u);
    ASSERT_EQ(beatInk(twoPicture).size(), 1u);
    const int row = QFontMetrics(studioDisplay(64)).height();

    // Beats half a second apart: the roll takes its longest, 0.3 s.
    CountInBadge badge;
    showBeat(badge, 1, true);
    processEventsFor(std::chrono::milliseconds(500));
    QElapsedTimer sinceSecondBeat;
    sinceSecondBeat.start();
    badge.setProgress({1, 2, 2});
    ASSERT_NE(badge.beatRoll().state(), QAbstractAnimation::Stopped);
    EXPECT_EQ(badge.outgoingBeatText(), QStringLiteral("1"));
    EXPECT_EQ(badge.beatRoll().duration(), 300);

    // Halfway: the old "1" half a row up, the new "2" half a row below its
    // place, each cut by the row's edge.
    const QImage middle = rollFrame(badge, 0.5);
    EXPECT_EQ(beatInk(middle).size(), 2u);
    const int rise = static_cast<int>(std::lround(row / 2.0));
    EXPECT_TRUE(showsRowsOf(middle, one.grab().toImage(), beatRowTop, beatRowTop + row - rise, rise));
    EXPECT_TRUE(showsRowsOf(middle, twoPicture, beatRowTop + row - rise, beatRowTop + row, rise - row));

    // Both move up as the roll goes on, and it ends on the new number alone.
    const auto before = beatInk(rollFrame(badge, 0.45));
    const auto after = beatInk(rollFrame(badge, 0.55));
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_LT(after[0].bottom, before[0].bottom);
    EXPECT_LT(after[1].top, before[1].top);
    badge.beatRoll().setCurrentTime(badge.beatRoll().duration());
    EXPECT_TRUE(badge.outgoingBeatText().isEmpty());
    EXPECT_EQ(badge.grab().toImage(), twoPicture);

    // Beats coming faster roll faster; one that comes mid-roll cuts it short.
    processEventsFor(std::chrono::milliseconds(100));
    const auto beat = sinceSecondBeat.elapsed();
    badge.setProgress({1, 2, 3});
    EXPECT_LT(badge.beatRoll().duration(), beat);
    badge.setProgress({1, 2, 4});
    EXPECT_EQ(badge.outgoingBeatText(), QStringLiteral("3"));

    // With reduced motion the number simply changes.
    CountInBadge still;
    showBeat(still, 1, false);
    still.setProgress({1, 2, 2});
    EXPECT_EQ(still.beatRoll().state(), QAbstractAnimation::Stopped);
    EXPECT_EQ(still.grab().toImage(), twoPicture);
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
