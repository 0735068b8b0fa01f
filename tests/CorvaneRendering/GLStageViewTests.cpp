#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/GLStageView.hpp"
#include "CorvaneRendering/SoftwareRendering.hpp"
#include "support/QtEventLoop.hpp"
#include "support/ThreadScheduling.hpp"
#include "StagePixelSupport.hpp"

using namespace corvane;

TEST(GLStageView, DrawsInAWindowAndHandsImpactsOverOnce)
{
    GLStageView view;
    StageInputs inputs;
    inputs.preset = quietPreset();
    inputs.hasSong = true;
    inputs.impactEvents = {{.sequence = 4, .midiNote = 61, .velocity = 100, .hue = 0.5, .trackIndex = std::nullopt}};
    view.update(inputs); // before the window exists: kept and handed over when the renderer is made
    view.resize(640, 400);
    view.show();
    int frames = 0;
    QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&] { ++frames; });
    ASSERT_TRUE(processEventsUntil([&] { return frames >= 5; }));
    ASSERT_TRUE(view.hasRenderer());
    EXPECT_EQ(view.renderer()->exchange().latestImpactSequence(), 4u);
    EXPECT_EQ(view.renderer()->activeImpacts().size(), 1u);

    view.update(inputs);
    inputs.impactEvents.push_back({.sequence = 5, .midiNote = 64, .velocity = 100, .hue = 0.1, .trackIndex = 0});
    view.update(inputs);
    const int seen = frames;
    ASSERT_TRUE(processEventsUntil([&] { return frames >= seen + 2; }));
    EXPECT_EQ(view.renderer()->activeImpacts().size(), 2u);

    const QImage image = view.grabFramebuffer();
    ASSERT_EQ(image.size(), QSize(640, 400) * view.devicePixelRatio());
    EXPECT_GT(grey(image, 5, 395), 140); // the first white key
    EXPECT_LT(grey(image, 320, 100), 40); // the dark stage
}

TEST(GLStageView, KnowsItIsDrawnInSoftwareAndKeepsItsRate)
{
    // The suite runs on Xvfb, whose OpenGL is always Mesa's software rasteriser.
    const auto drawing = threadScheduling(currentThread());
    ASSERT_TRUE(drawing);
    GLStageView view;
    EXPECT_EQ(view.frameRate(), GLStageView::hardwareFrameRate); // nothing known before the context
    view.resize(320, 200);
    view.show();
    ASSERT_TRUE(processEventsUntil([&] { return view.framesDrawn() >= 2; }));
    EXPECT_FALSE(view.rendererName().isEmpty());
    EXPECT_TRUE(view.drawsInSoftware()) << view.rendererName().toStdString();
    EXPECT_EQ(view.frameRate(), GLStageView::softwareFrameRate);
    // Its rasteriser threads below the others, the thread that draws left as it was.
    const auto rasterisers = threadsNamed(softwareRasterizerThreadPrefix);
    EXPECT_FALSE(rasterisers.empty());
    for (const pid_t thread : rasterisers) {
        const auto state = threadScheduling(thread);
        ASSERT_TRUE(state);
        EXPECT_EQ(state->policy, SCHED_BATCH);
        EXPECT_GE(state->nice, softwareRasterizerNiceness);
    }
    EXPECT_EQ(threadScheduling(currentThread())->policy, drawing->policy);
    EXPECT_EQ(threadScheduling(currentThread())->nice, drawing->nice);

    // About 30 frames a second, not 60.
    const auto drawn = countForASecondAndUntil(10, [&] { return view.framesDrawn(); });
    EXPECT_GE(drawn.count, 10u);
    EXPECT_LE(drawn.count, 6 + 30 * drawn.seconds);

    view.setFrameRate(45);
    EXPECT_EQ(view.frameRate(), 45);
    view.setFrameRate(0); // never a zero interval
    EXPECT_EQ(view.frameRate(), 1);
}

TEST(GLStageView, DrawsNothingWhileHiddenOrMinimised)
{
    QWidget window;
    window.resize(400, 300);
    auto* view = new GLStageView(&window);
    view->setGeometry(0, 0, 400, 300);
    window.show();
    const auto drawsOn = [&] {
        const auto start = view->framesDrawn();
        return processEventsUntil([&] { return view->framesDrawn() >= start + 3; }, std::chrono::seconds(5));
    };
    // After a short settling (a frame already asked for may still come), no frame for a while.
    const auto staysStill = [&] {
        processEventsFor(std::chrono::milliseconds(150));
        const auto start = view->framesDrawn();
        processEventsFor(std::chrono::milliseconds(400));
        return view->framesDrawn() == start;
    };
    ASSERT_TRUE(drawsOn());
    EXPECT_TRUE(view->isOnScreen());

    view->hide();
    EXPECT_FALSE(view->isOnScreen());
    EXPECT_TRUE(staysStill());
    view->show();
    EXPECT_TRUE(drawsOn());

    // Without a window manager (Xvfb) the window stays mapped: its state alone tells.
    window.showMinimized();
    ASSERT_TRUE(processEventsUntil([&] { return window.isMinimized(); }));
    EXPECT_FALSE(view->isOnScreen());
    EXPECT_TRUE(staysStill());
    window.showNormal();
    EXPECT_TRUE(drawsOn());
    EXPECT_TRUE(view->isOnScreen());
}

// In software the frame is drawn at half the pixels and scaled up to fill the
// view, and the window is put together no more often than the stage draws,
// however often the window's other widgets ask to be repainted.
TEST(GLStageView, SoftwareFramesAreDrawnSmallerAndTheWindowComposedAtTheStageRate)
{
    QWidget window;
    window.resize(640, 440);
    auto* view = new GLStageView(&window);
    view->setGeometry(0, 0, 640, 400);
    auto* busy = new QWidget(&window); // a deck widget that repaints at every tick
    busy->setGeometry(0, 400, 640, 40);
    window.show();
    ASSERT_TRUE(processEventsUntil([&] { return view->framesDrawn() >= 3; }));
    ASSERT_TRUE(view->drawsInSoftware());
    EXPECT_EQ(view->renderScale(), GLStageView::softwareRenderScale);
    EXPECT_EQ(view->renderer()->renderScale(), GLStageView::softwareRenderScale);

    // The smaller frame still covers the whole view.
    const QImage image = view->grabFramebuffer();
    ASSERT_EQ(image.size(), QSize(640, 400) * view->devicePixelRatio());
    EXPECT_GT(grey(image, 5, 395), 140); // the first white key, at the bottom-left corner
    EXPECT_GT(grey(image, 634, 395), 140); // the last one, at the bottom-right corner
    EXPECT_LT(grey(image, 320, 100), 40);

    view->setFrameRate(20);
    int compositions = 0;
    QObject::connect(view, &QOpenGLWidget::frameSwapped, [&] { ++compositions; });
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, busy, qOverload<>(&QWidget::update));
    ticks.start(2);
    const auto composed = countForASecondAndUntil(5, [&] { return compositions; });
    ticks.stop();
    EXPECT_GE(composed.count, 5u);
    EXPECT_LE(composed.count, 4 + 20 * composed.seconds);

    view->setRenderScale(1.0); // the benchmarks compare full-size frames
    EXPECT_EQ(view->renderer()->renderScale(), 1.0);
}
