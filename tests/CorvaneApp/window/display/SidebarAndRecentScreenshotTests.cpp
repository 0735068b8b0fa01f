// Leaves pictures of the sidebar over the practice screen and of the recent
// practice screen in the build folder for a reviewer.
#include <gtest/gtest.h>

#include <QPixmap>

#include <iostream>

#include "CorvaneApp/library/RecentPracticeView.hpp"
#include "CorvaneApp/library/SidebarView.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/window/SidebarOverlay.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

TEST(SidebarAndRecentScreenshot, TheSidebarAndTheRecentScreenAreWrittenToPictures)
{
    sharedJackServer();
    TemporaryDefaults defaults;
    FileFolder files;
    CorvaneApplication application(*defaults);
    application.start();
    ASSERT_TRUE(processEventsUntil([&] { return application.mainWindow().rootView() != nullptr; }));
    PracticeSessionStore& controller = *application.practiceStore();
    RootView* view = application.mainWindow().rootView();

    // Three songs practised, one of them twice: three recent songs, four sessions.
    for (const char* name : {"Noturno em Mi bemol", "Prelúdio", "Noturno em Mi bemol", "Valsa da Despedida"}) {
        view->open(files.song(std::string(name) + ".mid"));
        ASSERT_TRUE(processEventsUntil([&] { return controller.currentSong().has_value(); }));
        if (controller.isPlaying()) controller.togglePlayback();
        controller.seek(1.0);
        controller.flushProgress();
        processEventsFor(std::chrono::milliseconds(50));
    }

    view->setSidebar(true);
    ASSERT_TRUE(processEventsUntil([&] { return view->sidebarOverlay()->progress() >= 0.999; }));
    processEventsFor(std::chrono::milliseconds(400));
    ASSERT_EQ(view->sidebarView()->recentRows().size(), 3u);
    const QString sidebarFile = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/brelmo-sidebar.png");
    ASSERT_TRUE(application.mainWindow().grab().save(sidebarFile));
    std::cout << "sidebar picture: " << sidebarFile.toStdString() << "\n";

    view->setSidebar(false);
    view->setSelection(LibraryDestination::recent);
    ASSERT_TRUE(processEventsUntil([&] { return !view->sidebarOverlay()->isVisible(); }));
    processEventsFor(std::chrono::milliseconds(200));
    auto recent = qobject_cast<RecentPracticeView*>(view->destinationView(LibraryDestination::recent));
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->songRows().size(), 3u);
    EXPECT_EQ(recent->historyRows().size(), 4u);
    const QString recentFile = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/brelmo-recent-practice.png");
    ASSERT_TRUE(application.mainWindow().grab().save(recentFile));
    std::cout << "recent practice picture: " << recentFile.toStdString() << "\n";
}
