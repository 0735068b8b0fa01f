#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QtTest/QTest>

#include "CorvaneApp/kit/RetroLED.hpp"
#include "CorvaneApp/kit/RetroOdometer.hpp"
#include "CorvaneApp/kit/RetroPanel.hpp"
#include "CorvaneApp/kit/RetroKnob.hpp"
#include "CorvaneApp/kit/RetroTransportButton.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;

namespace {
constexpr RetroKnobScale speed{0.25, 2.0, 0.05};
}

TEST(RetroKnobMath, DragsCrossTheRangeIn180PixelsOnTheGrid)
{
    EXPECT_NEAR(retroKnobDragValue(1.0, 36, 0, speed), 1.35, 1e-12);
    EXPECT_EQ(retroKnobDragValue(0.4, 180, 0, speed), 2.0);
    EXPECT_EQ(retroKnobDragValue(1.0, 90, -90, speed), retroKnobDragValue(1.0, 180, 0, speed));
    EXPECT_NEAR(retroKnobDragValue(1.0, 0, 10, speed), 0.9, 1e-12);
    EXPECT_EQ(retroKnobDragValue(1.0, -500, 0, speed), 0.25);
    // The grid starts at the lower bound.
    EXPECT_NEAR(retroKnobSnapped(0.33, {0.25, 2.0, 0.1}), 0.35, 1e-12);
    EXPECT_EQ(retroKnobSnapped(3, {1, 1, 0.1}), 1.0);
}

TEST(RetroKnobMath, PointerSweepsFromMinus135To135)
{
    EXPECT_EQ(retroKnobPointerAngle(0.25, speed), -135);
    EXPECT_EQ(retroKnobPointerAngle(2.0, speed), 135);
    EXPECT_EQ(retroKnobPointerAngle(9.0, speed), 135);
    EXPECT_EQ(retroKnobPointerAngle(1.125, speed), 0);
    EXPECT_EQ(retroKnobPointerAngle(1.0, {1, 1, 0.1}), -135);
}

TEST(RetroKnobWidget, DragWritesSnappedValuesOnceEach)
{
    RetroKnob knob(speed, 30);
    knob.setValue(1.0);
    knob.show();
    QSignalSpy edits(&knob, &RetroKnob::valueEdited);
    const QPoint centre = knob.rect().center();
    QTest::mousePress(&knob, Qt::LeftButton, {}, centre);
    EXPECT_EQ(edits.count(), 0); // already on the grid: nothing to write
    QTest::mouseMove(&knob, centre + QPoint(1, 0));
    QTest::mouseMove(&knob, centre + QPoint(2, 0)); // still 1.0 after snapping
    EXPECT_EQ(edits.count(), 0);
    QTest::mouseMove(&knob, centre + QPoint(12, 0));
    QTest::mouseMove(&knob, centre + QPoint(12, 0));
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, centre + QPoint(12, 0));
    ASSERT_EQ(edits.count(), 1);
    EXPECT_NEAR(edits.at(0).at(0).toDouble(), 1.1, 1e-12);
    EXPECT_NEAR(knob.value(), 1.1, 1e-12);

    // A plain click snaps a value that came from elsewhere.
    knob.setValue(0.333);
    QTest::mouseClick(&knob, Qt::LeftButton, {}, centre);
    EXPECT_NEAR(edits.last().at(0).toDouble(), 0.35, 1e-12);
}

TEST(RetroKnobWidget, DoubleClickSpringsBackAndKeysStepWithinBounds)
{
    RetroKnob knob(speed, 30);
    knob.setValue(1.6);
    knob.setValueText(QStringLiteral("160%"));
    EXPECT_EQ(knob.toolTip(),
              QStringLiteral("Velocidade: 160%. Arraste para ajustar; clique duas vezes para voltar a 100%"));
    EXPECT_EQ(knob.accessibleName(), QStringLiteral("Velocidade"));
    knob.show();
    QSignalSpy edits(&knob, &RetroKnob::valueEdited);
    QTest::mouseDClick(&knob, Qt::LeftButton, {}, knob.rect().center());
    ASSERT_FALSE(edits.isEmpty());
    EXPECT_EQ(edits.last().at(0).toDouble(), 1.0);
    // The pointer springs: not yet at 100 % right after the click, there soon after.
    EXPECT_GT(knob.shownAngle(), retroKnobPointerAngle(1.0, speed));
    EXPECT_TRUE(processEventsUntil([&] { return std::abs(knob.shownAngle() - retroKnobPointerAngle(1.0, speed)) < 0.01; },
                                   std::chrono::seconds(3)));

    knob.setValue(2.0);
    edits.clear();
    QTest::keyClick(&knob, Qt::Key_Up);
    EXPECT_TRUE(edits.isEmpty());
    QTest::keyClick(&knob, Qt::Key_Down);
    EXPECT_NEAR(edits.last().at(0).toDouble(), 1.95, 1e-12);
    knob.setValue(0.25);
    edits.clear();
    knob.decrement();
    EXPECT_TRUE(edits.isEmpty());
}

namespace {
// Steps a drum's animation by hand and writes down every digit it brings to the middle.
std::vector<int> rolledDigits(RetroOdometer& odometer, int drum)
{
    auto& animation = odometer.drumAnimation(drum);
    animation.pause();
    std::vector<int> digits;
    for (int ms = 0; ms <= animation.duration(); ms += 4) {
        animation.setCurrentTime(ms);
        const int digit = odometerCentreDigit(odometer.drumPosition(drum));
        if (digits.empty() || digits.back() != digit) digits.push_back(digit);
    }
    animation.stop();
    return digits;
}
} // namespace

TEST(RetroOdometer, DrumsShowPlacesWithLeadingZerosAndClampNegatives)
{
    EXPECT_EQ(odometerDrumPosition(129, 0), 129);
    EXPECT_EQ(odometerDrumPosition(129, 1), 12);
    EXPECT_EQ(odometerDrumPosition(12345, 3), 12);
    EXPECT_EQ(odometerDrumPosition(-7, 0), 0);
    EXPECT_EQ(odometerDigit(-1), 9);
    EXPECT_EQ(odometerDigit(12345), 5);
    RetroOdometer empty(0, 17, 28);
    EXPECT_EQ(empty.digits(), 0);
    EXPECT_EQ(empty.width(), 8);
}

TEST(RetroOdometer, RollsThroughEveryIntermediateDigit)
{
    RetroOdometer odometer(4, 17, 28);
    odometer.setValue(12);
    rolledDigits(odometer, 3);
    rolledDigits(odometer, 2);
    odometer.setValue(20);
    EXPECT_EQ(rolledDigits(odometer, 3), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 0}));
    EXPECT_EQ(rolledDigits(odometer, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(odometer.drumAnimation(1).state(), QAbstractAnimation::Stopped); // hundreds stay still

    odometer.setValue(9);
    // The units drum rolls back down every position from 20 to 9.
    EXPECT_EQ(rolledDigits(odometer, 3), (std::vector<int>{0, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9}));
    EXPECT_EQ(rolledDigits(odometer, 2), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(odometer.accessibleName(), QStringLiteral("Compasso"));
    EXPECT_EQ(odometer.accessibleDescription(), QStringLiteral("9"));
}

TEST(RetroButtons, LoopButtonSwitchesCaptionTooltipAndLampTogether)
{
    RetroLoopButton loop;
    EXPECT_EQ(loop.text(), QStringLiteral("OFF"));
    EXPECT_EQ(loop.toolTip(), QStringLiteral("Repetir trecho marcado (Ctrl+Alt+L)"));
    EXPECT_EQ(loop.accessibleDescription(), QStringLiteral("Desativado"));
    loop.setActive(true);
    EXPECT_EQ(loop.text(), QStringLiteral("ON"));
    EXPECT_EQ(loop.toolTip(), QStringLiteral("Desativar trecho (Ctrl+Alt+Shift+L)"));
    EXPECT_EQ(loop.accessibleDescription(), QStringLiteral("Ativado"));
    EXPECT_LT(loop.lampLevel(), 1.0); // the lamp fades in
    EXPECT_TRUE(processEventsUntil([&] { return loop.lampLevel() == 1.0; }, std::chrono::seconds(2)));

    RetroLED led;
    led.setOn(true);
    EXPECT_TRUE(processEventsUntil([&] { return led.level() == 1.0; }, std::chrono::seconds(2)));
    led.setOn(false);
    EXPECT_TRUE(processEventsUntil([&] { return led.level() == 0.0; }, std::chrono::seconds(2)));
}

TEST(RetroButtons, TransportButtonRunsOnceOnReleaseAndSinksWhileHeld)
{
    RetroTransportButton button(QStringLiteral("play.fill"), 17);
    EXPECT_EQ(button.size(), QSize(60, 37));
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mousePress(&button, Qt::LeftButton, {}, {30, 18});
    EXPECT_TRUE(button.isDown());
    EXPECT_EQ(clicks, 0);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {30, 18});
    EXPECT_FALSE(button.isDown());
    EXPECT_EQ(clicks, 1);
}

TEST(RetroPanel, ScrewsSitInsetFromEachCornerWhateverTheSize)
{
    RetroPanel panel({130, 76, 7, 7, 9, true, QMargins(18, 6, 18, 6)});
    const auto centres = panel.screwCentres();
    ASSERT_EQ(centres.size(), 4u);
    EXPECT_EQ(centres[0], QPointF(11.5, 11.5));
    EXPECT_EQ(centres[3], QPointF(130 - 11.5, 76 - 11.5));
    EXPECT_EQ(panel.contentsMargins(), QMargins(18, 6, 18, 6));
    RetroPanel bare({std::nullopt, std::nullopt, 9, 10, 10, false, {}});
    EXPECT_TRUE(bare.screwCentres().empty());
    EXPECT_EQ(RetroEngravedLabel(QStringLiteral("Compasso")).text(), QStringLiteral("COMPASSO"));
}
