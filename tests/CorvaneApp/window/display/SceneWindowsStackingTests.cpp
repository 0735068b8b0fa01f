// Bringing a window forward on the X server of the test, which runs no
// window manager: nothing but the program keeps a dialog above its window.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>

#include "CorvaneApp/window/SceneWindows.hpp"

#include "WindowTestSupport.hpp"
#include "XScreen.hpp"

using namespace corvane;

TEST(SceneWindowsStacking, BringingAWindowForwardKeepsItsOpenDialogsAboveItAndActivatesTheModalOne)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Janela"));
    window.resize(640, 480);
    SceneWindows::shared().declare(QStringLiteral("stacking"), [&] { return &window; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // A plain dialog, a window-modal one, and the question that one asks.
    auto tool = new QDialog(&window);
    tool->setWindowTitle(QStringLiteral("Ferramenta"));
    tool->show();
    auto sheet = new QDialog(&window);
    sheet->setWindowTitle(QStringLiteral("Folha"));
    sheet->setWindowModality(Qt::WindowModal);
    sheet->resize(300, 200);
    sheet->open();
    auto question = new QMessageBox(QMessageBox::Question, QStringLiteral("Pergunta"), QStringLiteral("Pergunta"),
                                    QMessageBox::Ok, sheet);
    question->setWindowModality(Qt::WindowModal);
    question->open();
    for (QWidget* dialog : {static_cast<QWidget*>(tool), static_cast<QWidget*>(sheet), static_cast<QWidget*>(question)})
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));

    EXPECT_EQ(SceneWindows::shared().open(QStringLiteral("stacking")), &window);
    const auto places = [&] {
        const auto windows = stackedWindows();
        return std::vector{stackingPlace(windows, question->winId()), stackingPlace(windows, sheet->winId()),
                           stackingPlace(windows, tool->winId()), stackingPlace(windows, window.winId())};
    };
    // The question on top, then the dialog that asks it, the other dialog, and the window.
    const auto inOrder = [&] {
        const auto found = places();
        for (std::size_t i = 0; i < found.size(); ++i)
            if (!found[i] || (i > 0 && *found[i - 1] > *found[i])) return false;
        return true;
    };
    EXPECT_TRUE(processEventsUntil(inOrder, std::chrono::seconds(5)));
    EXPECT_TRUE(processEventsUntil([&] { return QApplication::activeWindow() == question; }, std::chrono::seconds(5)));

    // Once the dialogs are gone, the window itself is made active.
    question->done(0);
    sheet->done(0);
    tool->hide();
    SceneWindows::shared().open(QStringLiteral("stacking"));
    EXPECT_TRUE(processEventsUntil([&] { return QApplication::activeWindow() == &window; }, std::chrono::seconds(5)));
    SceneWindows::shared().forget(QStringLiteral("stacking"));
}
