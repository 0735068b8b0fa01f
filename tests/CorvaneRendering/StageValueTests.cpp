#include <gtest/gtest.h>

#include <numeric>

#include "CorvaneRendering/ActiveImpact.hpp"
#include "CorvaneRendering/AnimationClock.hpp"
#include "CorvaneRendering/GaussianKernel.hpp"
#include "CorvaneRendering/RenderStateExchange.hpp"
#include "CorvaneRendering/StageColor.hpp"
#include "CorvaneRendering/StageGeometry.hpp"
#include "CorvaneRendering/ViewportUniform.hpp"

using namespace corvane;

namespace {

VisualImpactEvent impact(std::uint64_t sequence, std::uint8_t note = 60)
{
    return {.sequence = sequence, .midiNote = note, .velocity = 100, .hue = 0.5, .trackIndex = std::nullopt};
}

std::vector<std::uint64_t> sequencesOf(const std::vector<VisualImpactEvent>& events)
{
    std::vector<std::uint64_t> result;
    for (const auto& event : events) result.push_back(event.sequence);
    return result;
}

} // namespace

TEST(StageColor, WrapsHueAndKeepsAlpha)
{
    EXPECT_EQ(color(1.25, 1, 1), color(0.25, 1, 1));
    EXPECT_EQ(color(-0.75, 1, 1), color(0.25, 1, 1));
    const auto red = color(0, 1, 1);
    EXPECT_FLOAT_EQ(red.x, 1);
    EXPECT_FLOAT_EQ(red.y, 0);
    EXPECT_FLOAT_EQ(red.w, 0.92f);
    const auto grey = color(0.6, -1, 2); // saturation and brightness clamped
    EXPECT_FLOAT_EQ(grey.x, 1);
    EXPECT_FLOAT_EQ(grey.z, 1);
}

TEST(StageColor, BlendModeCodesFollowTheCaseOrder)
{
    EXPECT_EQ(blendModeValue(VisualBlendMode::additive), blendModeValue(VisualBlendMode::plusLighter));
    EXPECT_EQ(blendModeValue(VisualBlendMode::plusLighter), 20);
    EXPECT_EQ(backgroundBlendModeValue(BackgroundBlendMode::destinationOut), 18);
    EXPECT_EQ(backgroundBlendModeValue(BackgroundBlendMode::normal), 0);
}

TEST(StageGeometry, NarrowViewsKeepA520PointKeyboard)
{
    EXPECT_DOUBLE_EQ(StageGeometry::whiteKeyWidth(400), 10);
    EXPECT_DOUBLE_EQ(StageGeometry::keyboardHeight(300), 87);
    EXPECT_DOUBLE_EQ(StageGeometry::keyboardTop(300), 213);
    EXPECT_DOUBLE_EQ(StageGeometry::keyboardHeight(100), 50);
    EXPECT_DOUBLE_EQ(StageGeometry::keyboardTop(100), 50);
    EXPECT_GT(StageGeometry::keyCenterX(108, 10), 400); // the top keys lie beyond a 400-point view
}

TEST(StageGeometry, KeyCentres)
{
    EXPECT_FLOAT_EQ(StageGeometry::keyCenterX(21, 10), 5);
    EXPECT_FLOAT_EQ(StageGeometry::keyCenterX(22, 10), 10); // A sharp 0 on the boundary of white keys 0 and 1
    EXPECT_FLOAT_EQ(StageGeometry::keyCenterX(108, 10), 515);
    EXPECT_FLOAT_EQ(StageGeometry::keyCenterX(110, 10), StageGeometry::keyCenterX(108, 10));
    EXPECT_FLOAT_EQ(StageGeometry::keyCenterX(0, 10), 5);
    EXPECT_EQ(StageGeometry::whiteKeyIndex(60), 23);
    EXPECT_FALSE(StageGeometry::whiteKeyIndex(61));
}

TEST(AnimationClock, StepsAreClampedAndNeverBackwards)
{
    AnimationClock clock(10);
    clock.update(10.5, true);
    EXPECT_DOUBLE_EQ(clock.times().playback, 0.1);
    EXPECT_DOUBLE_EQ(clock.times().effects, 0.1);
    clock.update(10.4, true); // backwards: nothing, but the next step starts from here
    EXPECT_DOUBLE_EQ(clock.times().effects, 0.1);
    clock.update(10.45, false);
    EXPECT_DOUBLE_EQ(clock.times().playback, 0.1);
    EXPECT_NEAR(clock.times().effects, 0.15, 1e-12);
}

TEST(ActiveImpact, ExpiresWhenItsAgeReachesTheLimit)
{
    EXPECT_DOUBLE_EQ(impactLifetimeLimit(0.2), 0.46);
    EXPECT_DOUBLE_EQ(impactLifetimeLimit(2.0), 3.4);
    std::vector<ActiveImpact> impacts{{impact(1), 0.0}, {impact(2), 0.04}, {impact(3), 0.2}};
    removeExpiredImpacts(impacts, 0.46, 0.2);
    ASSERT_EQ(impacts.size(), 2u);
    EXPECT_EQ(impacts[0].event.sequence, 2u);
    EXPECT_EQ(impacts[1].event.sequence, 3u);
}

TEST(RenderStateExchange, HandsEachImpactOverOnce)
{
    RenderStateExchange exchange;
    RenderState state;
    std::vector<VisualImpactEvent> events;
    StageInputs inputs;
    inputs.impactEvents = {impact(1), impact(2)};
    exchange.push(inputs, std::nullopt);
    exchange.push(inputs, std::nullopt);
    exchange.consumeFrameInput(state, events);
    EXPECT_EQ(sequencesOf(events), (std::vector<std::uint64_t>{1, 2}));

    inputs.impactEvents = {impact(5), impact(3), impact(6), impact(6)};
    exchange.push(inputs, std::nullopt);
    inputs.impactEvents.clear();
    exchange.push(inputs, std::nullopt);
    exchange.consumeFrameInput(state, events);
    EXPECT_EQ(sequencesOf(events), (std::vector<std::uint64_t>{5, 6}));
    EXPECT_EQ(exchange.latestImpactSequence(), 6u);
    exchange.consumeFrameInput(state, events);
    EXPECT_TRUE(events.empty());
}

TEST(RenderStateExchange, KeepsOnlyTheNewestImpactsWhileNoFrameRuns)
{
    RenderStateExchange exchange;
    StageInputs inputs;
    for (std::uint64_t sequence = 1; sequence <= 100; ++sequence) {
        inputs.impactEvents = {impact(sequence)};
        exchange.push(inputs, std::nullopt);
    }
    RenderState state;
    std::vector<VisualImpactEvent> events;
    exchange.consumeFrameInput(state, events);
    ASSERT_EQ(events.size(), RenderStateExchange::pendingLimit);
    EXPECT_EQ(events.front().sequence, 100 - RenderStateExchange::pendingLimit + 1);
    EXPECT_EQ(events.back().sequence, 100u);
}

TEST(RenderStateExchange, StoresTheAdjustedPresetAndTheRest)
{
    RenderStateExchange exchange;
    StageInputs inputs;
    inputs.hasSong = true;
    inputs.isPlaying = false;
    inputs.playbackPositionSeconds = 12.5;
    inputs.timelineNotes = {MIDINoteSpan{.note = 60, .startSeconds = 1, .endSeconds = 2}};
    inputs.accessibilityOptions = VisualAccessibilityOptions(false, true, true, 0.5);
    exchange.push(inputs, StageTexture{7, 64, 32});
    RenderState state;
    std::vector<VisualImpactEvent> events;
    exchange.consumeFrameInput(state, events);
    EXPECT_EQ(state.preset, inputs.accessibilityOptions.adjusted(inputs.preset));
    EXPECT_EQ(state.preset.particleIntensity, 0);
    EXPECT_EQ(state.accessibilityOptions, inputs.accessibilityOptions);
    EXPECT_EQ(state.timelineNotes, inputs.timelineNotes);
    EXPECT_TRUE(state.hasSong);
    EXPECT_FALSE(state.isPlaying);
    EXPECT_EQ(state.playbackPositionSeconds, 12.5);
    EXPECT_EQ(state.backgroundTexture, (StageTexture{7, 64, 32}));
}

TEST(ViewportUniform, ReadsTheFrameState)
{
    RenderState state;
    state.preset.saberYOffset = 3;
    state.preset.saberEnabled = false;
    state.preset.smokeEnabled = false;
    const AnimationTimes times{.playback = 4, .effects = 9};
    auto uniform = makeViewportUniform({1000, 300}, state, times);
    EXPECT_FLOAT_EQ(uniform.time, 4);
    EXPECT_FLOAT_EQ(uniform.impactPosition, static_cast<float>(213.0 / 300 + 3.0 / 300));
    EXPECT_FLOAT_EQ(uniform.saberIntensity, 0);
    EXPECT_FLOAT_EQ(uniform.smokeIntensity, 0);
    EXPECT_FLOAT_EQ(uniform.contrastBoost, 0);
    EXPECT_FLOAT_EQ(uniform.hasBackgroundImage, 0);

    state.accessibilityOptions = VisualAccessibilityOptions(true, true, false, 1);
    state.backgroundTexture = StageTexture{3, 640, 480};
    state.preset.background.contentMode = BackgroundImageContentMode::fit;
    uniform = makeViewportUniform({1000, 300}, state, times);
    EXPECT_FLOAT_EQ(uniform.time, 0);
    EXPECT_FLOAT_EQ(uniform.contrastBoost, 1);
    EXPECT_EQ(uniform.backgroundImageSize, (Float2{640, 480}));
    EXPECT_FLOAT_EQ(uniform.hasBackgroundImage, 1);
    EXPECT_FLOAT_EQ(uniform.backgroundContentMode, 1);
}

TEST(GaussianKernel, WeightsSumToOneAndReachThreeSigma)
{
    for (const float sigma : {1.25f, 5.0f, 10.0f, 15.0f}) {
        const GaussianKernel kernel(sigma);
        float total = kernel.weights[0];
        for (int i = 1; i < kernel.tapCount; ++i) total += 2 * kernel.weights[i];
        EXPECT_NEAR(total, 1, 1e-5) << sigma;
        EXPECT_GE(kernel.offsets[kernel.tapCount - 1] + 1, 3 * sigma - 1) << sigma;
        EXPECT_LE(kernel.tapCount, GaussianKernel::maximumTaps);
    }
}
