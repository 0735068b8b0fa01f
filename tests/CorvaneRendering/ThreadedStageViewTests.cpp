#include <gtest/gtest.h>

#include <QApplication>
#include <QOpenGLContext>
#include <QPainter>
#include <QWindow>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/SoftwareRendering.hpp"
#include "CorvaneRendering/ThreadedStageView.hpp"
#include "support/QtEventLoop.hpp"
#include "support/ThreadScheduling.hpp"
#include "StagePixelSupport.hpp"

using namespace corvane;

namespace {

struct ImpactState {
    std::uint64_t latest = 0;
    std::size_t active = 0;
};

ImpactState impactsOf(ThreadedStageView& view)
{
    ImpactState state;
    view.inspectRenderer([&](const GLStageRenderer& renderer) {
        state.latest = renderer.exchange().latestImpactSequence().value_or(0);
        state.active = renderer.activeImpacts().size();
    });
    return state;
}

} // namespace

// The window around the stage is put together by the raster painter: its
// thread makes no OpenGL context and never waits for the rasteriser, and the
// frames it shows are the drawing thread's, the right way up.
TEST(ThreadedStageView, DrawsOnItsOwnThreadAndTheWindowStaysRaster)
{
    QWidget window;
    window.resize(640, 440);
    auto* view = new ThreadedStageView(&window);
    view->setGeometry(0, 0, 640, 400);
    StageInputs inputs;
    inputs.preset = quietPreset();
    inputs.hasSong = true;
    inputs.impactEvents = {{.sequence = 4, .midiNote = 61, .velocity = 100, .hue = 0.5, .trackIndex = std::nullopt}};
    view->update(inputs); // before the renderer exists: handed over when it is made
    window.show();
    ASSERT_TRUE(processEventsUntil([&] { return view->framesDrawn() >= 3; }));
    ASSERT_TRUE(view->hasRenderer());
    EXPECT_TRUE(view->drawsInSoftware()) << view->rendererName().toStdString();
    EXPECT_EQ(view->frameRate(), ThreadedStageView::softwareFrameRate);
    EXPECT_EQ(view->renderScale(), ThreadedStageView::softwareRenderScale);
    EXPECT_EQ(window.windowHandle()->surfaceType(), QSurface::RasterSurface);
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr);

    EXPECT_EQ(impactsOf(*view).latest, 4u);
    EXPECT_EQ(impactsOf(*view).active, 1u);
    view->update(inputs); // the same impact again is not a new one
    inputs.impactEvents.push_back({.sequence = 5, .midiNote = 64, .velocity = 100, .hue = 0.1, .trackIndex = 0});
    view->update(inputs);
    const auto seen = view->framesDrawn();
    ASSERT_TRUE(processEventsUntil([&] { return view->framesDrawn() >= seen + 2; }));
    EXPECT_EQ(impactsOf(*view).active, 2u);

    const QImage grabbed = view->grabFramebuffer();
    ASSERT_EQ(grabbed.size(), QSize(640, 400) * view->devicePixelRatio());
    EXPECT_GT(grey(grabbed, 5, 395), 140); // the first white key, bottom left
    EXPECT_GT(grey(grabbed, 634, 395), 140); // the last one: the half-size frame covers the view
    EXPECT_LT(grey(grabbed, 320, 100), 40); // the dark stage above
    // What the window shows is the same picture.
    const QImage shown = window.grab(QRect(0, 0, 640, 400)).toImage();
    EXPECT_GT(grey(shown, 5, 395), 140);
    EXPECT_LT(grey(shown, 320, 100), 40);
}

TEST(ThreadedStageView, ItsThreadsGoBelowTheSoundsAndTheWindowsThreadIsLeftAsItWas)
{
    const auto before = threadScheduling(currentThread());
    ASSERT_TRUE(before);
    ThreadedStageView view;
    view.resize(320, 200);
    view.show();
    ASSERT_TRUE(processEventsUntil([&] { return view.framesDrawn() >= 2; }));
    for (const auto* prefix : {"brelmo-stage", "llvmpipe"}) {
        const auto threads = threadsNamed(prefix);
        EXPECT_FALSE(threads.empty()) << prefix;
        for (const pid_t thread : threads) {
            const auto state = threadScheduling(thread);
            ASSERT_TRUE(state);
            EXPECT_EQ(state->policy, SCHED_BATCH) << prefix;
            EXPECT_GE(state->nice, softwareRasterizerNiceness) << prefix;
        }
    }
    EXPECT_EQ(threadScheduling(currentThread())->policy, before->policy);
    EXPECT_EQ(threadScheduling(currentThread())->nice, before->nice);

    // About 30 frames a second, not 60.
    const auto drawn = countForASecondAndUntil(10, [&] { return view.framesDrawn(); });
    EXPECT_GE(drawn.count, 10u);
    EXPECT_LE(drawn.count, 6 + 30 * drawn.seconds);
}

TEST(ThreadedStageView, DrawsNothingWhileHiddenOrMinimised)
{
    QWidget window;
    window.resize(400, 300);
    auto* view = new ThreadedStageView(&window);
    view->setGeometry(0, 0, 400, 300);
    window.show();
    const auto drawsOn = [&] {
        const auto start = view->framesDrawn();
        return processEventsUntil([&] { return view->framesDrawn() >= start + 3; }, std::chrono::seconds(10));
    };
    // After a short settling (a frame already on its way may still come), no frame for a while.
    const auto staysStill = [&] {
        processEventsFor(std::chrono::milliseconds(150));
        const auto start = view->framesDrawn();
        processEventsFor(std::chrono::milliseconds(400));
        return view->framesDrawn() == start;
    };
    ASSERT_TRUE(drawsOn());
    view->hide();
    EXPECT_FALSE(view->isOnScreen());
    EXPECT_TRUE(staysStill());
    view->show();
    EXPECT_TRUE(drawsOn());

    window.showMinimized();
    ASSERT_TRUE(processEventsUntil([&] { return window.isMinimized(); }));
    EXPECT_FALSE(view->isOnScreen());
    EXPECT_TRUE(staysStill());
    window.showNormal();
    EXPECT_TRUE(drawsOn());
}

// A window closed while its stage is still being built (the programs take
// long in software) neither waits for ever nor draws into what is gone.
TEST(ThreadedStageView, GoesAtAnyMomentOfItsStart)
{
    for (int wait : {0, 5, 40, 150}) {
        auto window = std::make_unique<QWidget>();
        window->resize(300, 200);
        auto* view = new ThreadedStageView(window.get());
        view->setGeometry(0, 0, 300, 200);
        StageInputs inputs;
        inputs.backgroundImagePath = "/nonexistent/praia.jpg";
        view->update(inputs);
        window->show();
        processEventsFor(std::chrono::milliseconds(wait));
        window.reset();
    }
    processEventsFor(std::chrono::milliseconds(100));
    SUCCEED();
}
