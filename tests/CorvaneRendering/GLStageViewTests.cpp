#include <gtest/gtest.h>

#include <QApplication>

#include "CorvaneRendering/GLStageRenderer.hpp"
#include "CorvaneRendering/GLStageView.hpp"
#include "support/QtEventLoop.hpp"
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
