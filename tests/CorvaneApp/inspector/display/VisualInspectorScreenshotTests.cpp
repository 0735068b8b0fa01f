// The inspector's visual page in the main window, on the X server of the
// test, with a song of three note tracks open: each category ("Cor" also
// with a colour per track) kept as a picture of the window and of the
// inspector alone for a reviewer.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QToolTip>
#include <QScrollBar>
#include <QtTest/QTest>

#include <iostream>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/TrackTestSongs.hpp"
#include "CorvaneApp/inspector/VisualEffectsInspectorTab.hpp"
#include "CorvaneApp/inspector/VisualInspectorView.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

void keep(QWidget& widget, const QString& name)
{
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/%1").arg(name);
    ASSERT_TRUE(widget.grab().save(file));
    std::cout << "visual inspector picture: " << file.toStdString() << "\n";
}

} // namespace

TEST(VisualInspectorScreenshot, EveryCategoryInTheMainWindow)
{
    AppDelegate look;
    ControllerHarness harness(true);
    auto& c = harness.controller();
    TestFolder folder("brelmo-visual-shot");
    c.loadMIDI(folder.write("Trio.mid", trackSong({{"Melodia", 40}, {"Acompanhamento", 40}, {"", 40}})));
    ASSERT_EQ(c.lastImportError(), std::nullopt);
    if (c.isPlaying()) c.togglePlayback();

    MainWindow window;
    window.attach(c);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto inspector = qobject_cast<VisualInspectorView*>(window.rootView()->inspectorPlace());
    ASSERT_NE(inspector, nullptr);
    EXPECT_EQ(inspector->width(), RootView::inspectorWidth);
    EXPECT_EQ(inspector->page(), InspectorPage::practice);
    inspector->setPage(InspectorPage::visual);
    VisualEffectsInspectorTab& page = *inspector->visualPage();

    for (const auto category : allCases<VisualInspectorCategory>()) {
        page.setCategory(category);
        processEventsFor(400ms);
        // Nothing is cut at the sides, and no bar shows.
        EXPECT_EQ(inspector->width(), RootView::inspectorWidth);
        EXPECT_LE(page.categoryPicker().minimumSizeHint().width(), RootView::inspectorWidth - 24);
        EXPECT_FALSE(page.scrollArea().verticalScrollBar()->isVisible());
        const QString name = QString::fromLatin1(rawValue(category).data(), int(rawValue(category).size()));
        keep(window, QStringLiteral("visual-inspector-%1-window.png").arg(name));
        keep(*inspector, QStringLiteral("visual-inspector-%1.png").arg(name));
        if (category == VisualInspectorCategory::particles) {
            // The rest of the column, down to the "Amostras" ladder.
            QScrollBar* bar = page.scrollArea().verticalScrollBar();
            bar->setValue(bar->maximum());
            processEventsFor(200ms);
            keep(*inspector, QStringLiteral("visual-inspector-particles-end.png"));
        }
    }

    VisualPreset perTrack = c.visualPreset();
    perTrack.noteColorMode = NoteColorMode::perTrack;
    c.setVisualPreset(perTrack);
    page.setCategory(VisualInspectorCategory::color);
    processEventsFor(400ms);
    keep(*inspector, QStringLiteral("visual-inspector-color-per-track.png"));
}

TEST(VisualInspectorScreenshot, EveryCutLabelCarriesItsFullTitle)
{
    AppDelegate look;
    ControllerHarness harness(true);
    auto& c = harness.controller();
    TestFolder folder("brelmo-visual-labels");
    c.loadMIDI(folder.write("Trio.mid", trackSong({{"Melodia", 40}, {"Acompanhamento", 40}})));
    ASSERT_EQ(c.lastImportError(), std::nullopt);
    if (c.isPlaying()) c.togglePlayback();

    MainWindow window;
    window.attach(c);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto inspector = qobject_cast<VisualInspectorView*>(window.rootView()->inspectorPlace());
    ASSERT_NE(inspector, nullptr);

    QStringList cut;
    const auto collect = [&] {
        processEventsFor(300ms);
        for (auto label : inspector->findChildren<StudioCapsLabel*>()) {
            if (!label->isVisible() || !label->isCut()) continue;
            SCOPED_TRACE(label->title().toStdString());
            EXPECT_EQ(label->toolTip(), label->title());
            EXPECT_EQ(label->accessibleName(), label->title());
            if (!cut.contains(label->title())) cut << label->title();
        }
    };
    collect(); // the practice page
    inspector->setPage(InspectorPage::visual);
    for (const auto category : allCases<VisualInspectorCategory>()) {
        inspector->visualPage()->setCategory(category);
        collect();
    }
    std::cout << "cut labels: " << cut.join(QStringLiteral(", ")).toStdString() << "\n";
    EXPECT_FALSE(cut.isEmpty());

    // The tooltip of one of them, as the pointer resting on it shows it.
    StudioCapsLabel* shown = nullptr;
    for (const auto category : allCases<VisualInspectorCategory>()) {
        inspector->visualPage()->setCategory(category);
        processEventsFor(200ms);
        for (auto label : inspector->findChildren<StudioCapsLabel*>())
            if (!shown && label->isVisible() && label->isCut()) shown = label;
        if (shown) break;
    }
    ASSERT_NE(shown, nullptr);
    QToolTip::showText(shown->mapToGlobal(QPoint(10, shown->height())), shown->toolTip(), shown);
    processEventsFor(500ms);
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/visual-inspector-cut-label-tooltip.png");
    const QRect area(window.geometry().topLeft() + inspector->mapTo(&window, QPoint(0, 0)), inspector->size());
    ASSERT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file));
    std::cout << "visual inspector picture: " << file.toStdString() << "\n";
}
