// Leaves a picture of the main window in the build folder for a reviewer.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include <iostream>

#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

TEST(MainWindowScreenshot, TheOpenMainWindowIsWrittenToAPicture)
{
    sharedJackServer();
    TemporaryDefaults defaults;
    FileFolder files;
    CorvaneApplication application(*defaults);
    application.start();
    ASSERT_TRUE(processEventsUntil([&] { return application.mainWindow().rootView() != nullptr; }));
    application.mainWindow().rootView()->open(files.song("Peça de Exemplo.mid"));
    ASSERT_TRUE(processEventsUntil([&] { return application.mainWindow().windowTitle() == "Peça de Exemplo"; }));
    processEventsFor(std::chrono::milliseconds(300));

    MainWindow& window = application.mainWindow();
    EXPECT_EQ(window.centralWidget()->size(), QSize(1280, 762));
    EXPECT_EQ(window.height(), 762 + window.menuBar()->height());
    const QPixmap picture = window.grab();
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/brelmo-main-window.png");
    ASSERT_TRUE(picture.save(file));
    std::cout << "main window picture: " << file.toStdString() << "\n";

    // The practice menu as it reads with a song open.
    QMenu* practice = window.menuBar()->actions().at(1)->menu();
    ASSERT_NE(practice, nullptr);
    practice->popup(window.mapToGlobal(QPoint(60, 20)));
    processEventsFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(practice->grab().save(QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/brelmo-practice-menu.png")));
    practice->hide();
}
