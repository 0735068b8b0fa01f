// The "Trechos" section alone in a panel 258 wide, as the inspector shows
// it, on the X server of the test: three saved loops, one active and one
// being renamed. Kept as a picture for a reviewer.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <iostream>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/inspector/InspectorLoopControls.hpp"
#include "CorvaneApp/inspector/SavedLoopRow.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "support/QtEventLoop.hpp"

using namespace corvane;
using namespace std::chrono_literals;

TEST(LoopControlsScreenshot, ThreeSavedLoopsOneActiveOneBeingRenamed)
{
    AppDelegate look;
    ControllerHarness harness(true);
    auto& c = harness.controller();
    harness.openSong(24, "Noturno");
    const std::string song = c.currentSongReference()->stableID();
    c.loopStore().add(PracticeLoopBookmark(UUID::random(), 1, 4, "Introdução", PracticeMetrics(240, 60, 39, 6, 4, 3),
                                           3, std::nullopt),
                      song);
    c.loopStore().add(PracticeLoopBookmark(UUID::random(), 9, 9, "", PracticeMetrics::zero(), 0, std::nullopt), song);
    c.loopStore().add(PracticeLoopBookmark(UUID::random(), 13, 16, "Refrão com a mão esquerda sozinha",
                                           PracticeMetrics(96, 20, 11, 2, 1, 2), 7, std::nullopt),
                      song);
    c.setLoopStartMeasure(13);
    c.setLoopEndMeasure(16);
    c.seek(27.5);

    // The panel: its colour, its 14 of padding, the accent of the stage.
    QWidget panel;
    panel.setAutoFillBackground(true);
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, StudioAppearance::panel());
    panel.setPalette(palette);
    const VisualPreset& preset = c.visualPreset();
    setStudioAccent(&panel, studioHsbColor(preset.accentHue, preset.accentSaturation, preset.accentBrightness));
    auto column = new QVBoxLayout(&panel);
    column->setContentsMargins(14, 14, 14, 14);
    auto controls = new InspectorLoopControls(c);
    auto padded = new QWidget;
    auto padding = new QVBoxLayout(padded);
    padding->setContentsMargins(0, 12, 0, 0);
    padding->addWidget(controls);
    column->addWidget(new StudioSection(QStringLiteral("Trechos"), std::nullopt, padded, controls->accessory()));
    column->addStretch(1);
    panel.resize(258, 520);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));

    const auto rows = controls->savedRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[2]->isActive());
    rows[1]->beginRename();
    rows[1]->renameField().setText(QStringLiteral("Ponte lenta"));
    processEventsFor(300ms);
    EXPECT_TRUE(rows[1]->isRenaming());
    EXPECT_TRUE(controls->repeatSwitch().isChecked());
    EXPECT_LE(panel.sizeHint().height(), panel.height()) << "the picture shows the whole section";

    const QString path = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/inspector-loop-controls.png");
    ASSERT_TRUE(panel.grab().save(path));
    std::cout << "loop controls picture: " << path.toStdString() << "\n";
}
