// The practice screen in the main window on the X server of the test, with
// the rendered stage, playing a demo on the real engine.
#include "WorkspaceTestSupport.hpp"

#include <QImage>
#include <QVBoxLayout>

#include <filesystem>
#include <fstream>

#include "CorvaneApp/session/BundledDemoSong.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"
#include "CorvaneApp/workspace/StudyTimelineView.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;

namespace {

// The window's workspace, placed into the practice destination when the
// window does not bring its own.
PracticeWorkspaceView* workspaceOf(RootView& root, PracticeSessionStore& store)
{
    QWidget* place = root.destinationView(LibraryDestination::practice);
    if (auto workspace = qobject_cast<PracticeWorkspaceView*>(place)) return workspace;
    if (auto found = place->findChild<PracticeWorkspaceView*>()) return found;
    auto layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    auto workspace = new PracticeWorkspaceView(store, WorkspaceStage::rendered, place);
    layout->addWidget(workspace);
    return workspace;
}

} // namespace

TEST(WorkspaceEndToEnd, SpacePlaysTheOpenDemoAndTheDeckFollows)
{
    ControllerHarness harness(true);
    auto& store = harness.controller();
    harness.engine()->start();
    ASSERT_TRUE(processEventsUntil([&] { return harness.engine()->currentRenderClockInstant().has_value(); }));

    MainWindow window;
    window.attach(store);
    auto workspace = workspaceOf(*window.rootView(), store);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    store.loadDemo(BundledDemoSong::odeToJoy);
    ASSERT_TRUE(store.currentSong());
    if (store.isPlaying()) store.togglePlayback();
    processEventsFor(std::chrono::milliseconds(100));
    const double before = store.playbackPositionSeconds();
    ASSERT_FALSE(workspace->timeline().isTransportActive());

    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(processEventsUntil([&] { return store.playbackPositionSeconds() > before + 1.0; },
                                   std::chrono::seconds(10)));
    EXPECT_TRUE(workspace->timeline().isTransportActive());
    EXPECT_TRUE(workspace->hasRenderedStage());

    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/workspace-practice.png");
    EXPECT_TRUE(window.grab().save(file));
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(processEventsUntil([&] { return !store.isPlaying(); }));
}

TEST(WorkspaceEndToEnd, APhotoTheStageCannotDecodeIsSaidNotSilentlyDropped)
{
    ControllerHarness harness(false);
    auto& store = harness.controller();
    MainWindow window;
    window.attach(store);
    auto workspace = workspaceOf(*window.rootView(), store);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(workspace->hasRenderedStage());

    // Accepted when chosen, then overwritten before the stage gets to decode it.
    TestFolder folder("brelmo-damaged-photo");
    const auto file = folder.path() / "praia.png";
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString(file.string()), "PNG"));
    store.selectBackgroundImage(file);
    ASSERT_EQ(store.backgroundImageError(), std::nullopt);
    std::ofstream(file, std::ios::trunc) << "isto não é mais uma foto";
    EXPECT_TRUE(processEventsUntil([&] { return store.backgroundImageError().has_value(); }));
    EXPECT_EQ(store.backgroundImageError(), "A foto de fundo não pôde ser aberta. Escolha o arquivo novamente.");
}
