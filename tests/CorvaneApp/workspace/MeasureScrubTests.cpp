#include "WorkspaceTestSupport.hpp"

#include "CorvaneApp/workspace/MeasureScrubBar.hpp"
#include "CorvaneApp/workspace/MeasureScrubGestures.hpp"

using namespace corvane;

namespace {

// `count` measures of 2 s each, closed by the song end.
std::vector<MIDIMeasureMarker> evenMeasures(int count)
{
    std::vector<MIDIMeasureMarker> markers;
    for (int i = 0; i < count; ++i) markers.push_back({i + 1, 2.0 * i, false});
    markers.push_back({count + 1, 2.0 * count, true});
    return markers;
}

std::vector<std::size_t> tickedIndices(const std::vector<RulerTick>& ticks, bool majorOnly)
{
    std::vector<std::size_t> out;
    for (const auto& tick : ticks)
        if (!majorOnly || tick.isMajor) out.push_back(std::size_t(tick.marker.measureNumber - 1));
    return out;
}

} // namespace

TEST(MeasureRuler, StrideKeepsTicksApartAndEveryFourthDrawnTickIsMajor)
{
    const auto forty = drawnTicks(evenMeasures(40), 80, 1000);
    EXPECT_EQ(forty.size(), 40u);
    EXPECT_EQ(tickedIndices(forty, true), (std::vector<std::size_t>{0, 4, 8, 12, 16, 20, 24, 28, 32, 36}));

    const auto many = drawnTicks(evenMeasures(120), 240, 960);
    EXPECT_EQ(many.size(), 60u);
    EXPECT_EQ(tickedIndices(many, false)[1], 2u);
    EXPECT_EQ(tickedIndices(many, true)[1], 8u);

    const auto narrow = drawnTicks(evenMeasures(31), 62, 256);
    ASSERT_EQ(narrow.size(), 31u);
    EXPECT_NEAR((narrow[1].fraction - narrow[0].fraction) * 256, 256.0 / 31, 1e-9);
    // The song end is never a tick.
    for (const auto& tick : narrow) EXPECT_FALSE(tick.marker.isSongEnd);
}

TEST(MeasureRuler, NothingToDrawWithoutSongWidthOrSecondMeasure)
{
    EXPECT_TRUE(drawnTicks(evenMeasures(10), 0, 500).empty());
    EXPECT_TRUE(drawnTicks(evenMeasures(10), 20, 0).empty());
    EXPECT_TRUE(drawnTicks(evenMeasures(1), 2, 500).empty());
}

TEST(MeasureRuler, PlayheadAndBracketGeometry)
{
    EXPECT_EQ(playheadProgress(5, 20), 0.25);
    EXPECT_EQ(playheadProgress(30, 20), 1.0);
    EXPECT_EQ(playheadProgress(-1, 20), 0.0);
    EXPECT_EQ(playheadProgress(3, 0), 0.0);
    EXPECT_FALSE(loopBracket(MIDILoopRange{1, 2}, 0, 400));
    EXPECT_FALSE(loopBracket(std::nullopt, 20, 400));
    EXPECT_EQ(*loopBracket(MIDILoopRange{2, 6}, 20, 400), (LoopBracket{40, 80}));
    // Narrower than 4 pixels: drawn 4 wide from its start.
    EXPECT_EQ(*loopBracket(MIDILoopRange{2, 2.1}, 20, 400), (LoopBracket{40, 4}));
}

TEST(MeasureRuler, MeasureNumbersStayWholeInsideTheRuler)
{
    // The first number's tick is the left edge: drawn from it, not half cut.
    const QRectF first = MeasureScrubBar::measureLabelBox(0, 7, 12, 600);
    EXPECT_EQ(first.left(), 0);
    EXPECT_EQ(first.width(), 9);
    // Elsewhere centred on the tick, and the last one kept inside the right edge.
    EXPECT_DOUBLE_EQ(MeasureScrubBar::measureLabelBox(300, 14, 12, 600).center().x(), 300);
    EXPECT_EQ(MeasureScrubBar::measureLabelBox(598, 14, 12, 600).right(), 600);
}

TEST(MeasureScrubGestureMath, SnapsToNearestMeasureStartEarlierOnTieNeverSongEnd)
{
    const auto markers = evenMeasures(10);
    EXPECT_EQ(snappedToMeasure(2.9, markers), 2.0);
    EXPECT_EQ(snappedToMeasure(3.0, markers), 2.0); // tie between 2 and 4
    EXPECT_EQ(snappedToMeasure(19.9, markers), 18.0);
    EXPECT_EQ(snappedToMeasure(7.25, {{1, 0, true}}), 7.25);
    EXPECT_EQ(pointerFraction(-3, 100), 0.0);
    EXPECT_EQ(pointerFraction(130, 100), 1.0);
}

TEST(MeasureScrubGestureMath, GrabsLoopEndsWithinRadiusStartFirst)
{
    const auto markers = evenMeasures(10);
    const MIDILoopRange loop{4, 8}; // x 80 and 160 in 400 pixels of 20 s
    using K = LoopDrag::Kind;
    EXPECT_EQ(resolvedDragMode(91, 400, 20, loop, markers).kind, K::start);
    EXPECT_EQ(resolvedDragMode(92, 400, 20, loop, markers), (LoopDrag{K::create, 4}));
    EXPECT_EQ(resolvedDragMode(149, 400, 20, loop, markers).kind, K::end);
    // Both ends within reach: the start wins.
    EXPECT_EQ(resolvedDragMode(84, 400, 20, MIDILoopRange{4, 4.4}, markers).kind, K::start);
    EXPECT_EQ(resolvedDragMode(130, 400, 20, std::nullopt, markers), (LoopDrag{K::create, 6}));
}

class MeasureScrubBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar = std::make_unique<MeasureScrubBar>(harness.controller());
        bar->setFixedWidth(400);
        bar->show();
    }
    PracticeSessionStore& c() { return harness.controller(); }
    QPoint seekBand(int x) const { return {x, 10}; }
    QPoint loopLane(int x) const { return {x, 31}; }

    ControllerHarness harness{true};
    std::unique_ptr<MeasureScrubBar> bar;
};

TEST_F(MeasureScrubBarTest, WithoutSongNeitherBandActs)
{
    drag(bar.get(), seekBand(100), seekBand(200));
    drag(bar.get(), loopLane(100), loopLane(200));
    EXPECT_EQ(c().playbackPositionSeconds(), 0);
    EXPECT_FALSE(c().loopRange());
    EXPECT_FALSE(bar->gestures().loopDrag());
    EXPECT_EQ(bar->playheadX(), 0);
}

TEST_F(MeasureScrubBarTest, SeekBandSeeksUnsnappedAndClampsToTheSong)
{
    harness.openSong(10); // 20 s
    ASSERT_EQ(c().timelineDurationSeconds(), 20);
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, seekBand(110));
    EXPECT_DOUBLE_EQ(c().playbackPositionSeconds(), 5.5);
    QTest::mouseMove(bar.get(), seekBand(-40));
    EXPECT_DOUBLE_EQ(c().playbackPositionSeconds(), 0);
    QTest::mouseMove(bar.get(), seekBand(260));
    EXPECT_DOUBLE_EQ(c().playbackPositionSeconds(), 13);
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, seekBand(260));
    EXPECT_DOUBLE_EQ(bar->playheadX(), 260);
    EXPECT_FALSE(c().loopRange());
}

TEST_F(MeasureScrubBarTest, LoopLaneDrawsLoopsBetweenMeasureStartsEitherWay)
{
    harness.openSong(10);
    // A click alone makes a loop of the minimum length at the nearest measure.
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, loopLane(95));
    ASSERT_TRUE(c().loopRange());
    EXPECT_DOUBLE_EQ(c().loopRange()->startSeconds, 4);
    EXPECT_NEAR(c().loopRange()->endSeconds, 4.1, 1e-9);
    EXPECT_FALSE(bar->gestures().loopDrag());

    drag(bar.get(), loopLane(250), loopLane(50)); // 12.5 s to 2.5 s
    EXPECT_EQ(*c().loopRange(), (MIDILoopRange{2, 12}));

    // To the far right: the last measure's start, not the song end.
    c().updateLoop(std::nullopt);
    drag(bar.get(), loopLane(50), loopLane(399));
    EXPECT_EQ(*c().loopRange(), (MIDILoopRange{2, 18}));
}

TEST_F(MeasureScrubBarTest, GrabbedEndsFollowThePointerAndTheModeHoldsForTheDrag)
{
    harness.openSong(10);
    c().setLoopSelection(4, 8);
    c().applyLoopSelection(); // ends at x 80 and 160
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, loopLane(169));
    ASSERT_TRUE(bar->gestures().loopDrag());
    EXPECT_EQ(bar->gestures().loopDrag()->kind, LoopDrag::Kind::end);
    QTest::mouseMove(bar.get(), loopLane(250));
    EXPECT_EQ(*c().loopRange(), (MIDILoopRange{4, 12}));
    // Passing the loop's start does not turn the drag into a start drag.
    QTest::mouseMove(bar.get(), loopLane(10));
    EXPECT_EQ(bar->gestures().loopDrag()->kind, LoopDrag::Kind::end);
    EXPECT_GT(c().loopRange()->endSeconds, c().loopRange()->startSeconds);
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, loopLane(10));
    EXPECT_FALSE(bar->gestures().loopDrag());

    c().setLoopSelection(4, 8);
    c().applyLoopSelection();
    drag(bar.get(), loopLane(71), loopLane(130)); // start grabbed 9 px off, moved to 6 s
    EXPECT_EQ(*c().loopRange(), (MIDILoopRange{6, 8}));
}
