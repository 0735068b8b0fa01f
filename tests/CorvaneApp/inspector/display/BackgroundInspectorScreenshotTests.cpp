// The "Fundo" category in the main window's inspector, on the X server of the
// test, first without a photo and then with one, each kept as a picture of
// the window and of the inspector alone for a reviewer.
#include <gtest/gtest.h>

#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QtTest/QTest>

#include <iostream>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/inspector/VisualBackgroundInspectorView.hpp"
#include "CorvaneApp/inspector/VisualEffectsInspectorTab.hpp"
#include "CorvaneApp/inspector/VisualInspectorView.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

void keep(QWidget& widget, const char* name)
{
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/%1").arg(QString::fromLatin1(name));
    ASSERT_TRUE(widget.grab().save(file));
    std::cout << "background inspector picture: " << file.toStdString() << "\n";
}

// A dusk over hills, wider than the preview, so the crop shows.
std::filesystem::path writeLandscape(const TestFolder& folder)
{
    QImage image(1600, 900, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 900);
    sky.setColorAt(0, QColor(32, 40, 96));
    sky.setColorAt(0.55, QColor(236, 132, 76));
    sky.setColorAt(1, QColor(250, 214, 140));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 236, 180));
    painter.drawEllipse(QPointF(800, 520), 90, 90);
    painter.setBrush(QColor(40, 30, 46));
    painter.drawEllipse(QPointF(300, 1100), 700, 420);
    painter.drawEllipse(QPointF(1300, 1150), 800, 460);
    painter.end();
    const auto file = folder.path() / "Entardecer na serra.png";
    EXPECT_TRUE(image.save(QString::fromStdString(file.string())));
    return file;
}

} // namespace

TEST(BackgroundInspectorScreenshot, BothPhotoStatesInTheMainWindow)
{
    AppDelegate look;
    ControllerHarness harness(false);
    auto& c = harness.controller();
    TestFolder folder("brelmo-background-shot");

    MainWindow window;
    window.attach(c);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto inspector = qobject_cast<VisualInspectorView*>(window.rootView()->inspectorPlace());
    ASSERT_NE(inspector, nullptr);
    inspector->setPage(InspectorPage::visual);
    ASSERT_NE(inspector->visualPage(), nullptr);
    inspector->visualPage()->setCategory(VisualInspectorCategory::background);
    auto view = qobject_cast<VisualBackgroundInspectorView*>(inspector->visualPage()->content());
    ASSERT_NE(view, nullptr);
    processEventsFor(300ms);

    // Without a photo: "Sem foto", "Escolher foto", "Composição" dimmed.
    EXPECT_FALSE(view->showsPreview());
    EXPECT_TRUE(view->chooseButton()->isVisible());
    EXPECT_FALSE(view->compositionSection()->content()->isEnabled());
    keep(window, "background-inspector-no-photo-window.png");
    keep(*inspector, "background-inspector-no-photo.png");

    // With one: the cropped preview, its name and the two buttons.
    c.selectBackgroundImage(writeLandscape(folder));
    ASSERT_EQ(c.backgroundImageError(), std::nullopt);
    processEventsFor(300ms);
    EXPECT_TRUE(view->showsPreview());
    EXPECT_TRUE(view->preview()->isVisible());
    EXPECT_EQ(view->preview()->width(), view->photoSection()->content()->width());
    EXPECT_TRUE(view->compositionSection()->content()->isEnabled());
    // Every row fits the panel's column (258 less the padding of 14 a side).
    EXPECT_LE(view->minimumSizeHint().width(), RootView::inspectorWidth - 2 * 14);
    EXPECT_EQ(view->width(), RootView::inspectorWidth - 2 * 14);
    keep(window, "background-inspector-photo-window.png");
    keep(*inspector, "background-inspector-photo.png");
}
