#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <mutex>

#include "CorvaneRendering/GLOffscreenStage.hpp"
#include "CorvaneRendering/RendererError.hpp"
#include "CorvaneRendering/StageGeometry.hpp"
#include "StagePixelSupport.hpp"

using namespace corvane;

namespace {

constexpr int width = 640, height = 400;
constexpr int keyboardTop = 313; // 400 - 87
const float whiteKey = static_cast<float>(width) / 52;

int keyX(int note) { return static_cast<int>(std::lround(StageGeometry::keyCenterX(note, whiteKey))); }

StageInputs songInputs(std::vector<MIDINoteSpan> notes = {}, double position = 0)
{
    StageInputs inputs;
    inputs.preset = quietPreset();
    inputs.hasSong = true;
    inputs.timelineNotes = std::move(notes);
    inputs.playbackPositionSeconds = position;
    return inputs;
}

VisualImpactEvent strike(std::uint64_t sequence, std::uint8_t note)
{
    return {.sequence = sequence, .midiNote = note, .velocity = 110, .hue = 0.5, .trackIndex = std::nullopt};
}

// Draws frames 1/20 s apart (the clocks advance at most 0.1 s a frame) up to `until`.
void runUntil(GLOffscreenStage& stage, double& now, double until)
{
    while (now < until - 1e-9) {
        now = std::min(until, now + 0.05);
        stage.drawFrame(now);
    }
}

// The rows of column x whose pixels are mostly green, as [first, last + 1).
std::pair<int, int> greenRun(const QImage& image, int x)
{
    int first = -1, end = -1;
    for (int y = 0; y < keyboardTop; ++y) {
        const QRgb p = image.pixel(x, y);
        if (qGreen(p) > 100 && qGreen(p) > qRed(p) + 50) {
            if (first < 0) first = y;
            end = y + 1;
        }
    }
    return {first, end};
}

struct CapturedLog {
    static inline std::mutex lock;
    static inline QStringList messages;
    static void handler(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        std::lock_guard guard(lock);
        if (context.category && QByteArray(context.category) == "com.corvane.linux.RenderingPerformance")
            messages << message;
    }
};

} // namespace

TEST(StagePixels, KeyboardHas88KeysInTheirPlaces)
{
    for (const bool photograph : {true, false}) {
        GLStageRenderer::Options options;
        if (!photograph) options.resourceBundle = "/nonexistent/Brelmo_CorvaneRendering.bundle";
        GLOffscreenStage stage(QSize(width, height), 1.0, options);
        EXPECT_EQ(stage.renderer().hasKeyboardTexture(), photograph);
        stage.push(songInputs());
        const auto image = stage.renderFrame(0);
        int white = 0, black = 0;
        for (int note = 21; note <= 108; ++note) {
            if (StageGeometry::isBlackKey(note)) {
                EXPECT_LT(grey(image, keyX(note), keyboardTop + 26), 70) << note << " photograph " << photograph;
                EXPECT_GT(grey(image, keyX(note) + 3, keyboardTop + 75), 140) << note; // below it, the white keys
                ++black;
            } else {
                EXPECT_GT(grey(image, keyX(note), keyboardTop + 75), 140) << note << " photograph " << photograph;
                ++white;
            }
        }
        EXPECT_EQ(white, 52);
        EXPECT_EQ(black, 36);
        EXPECT_LT(grey(image, width / 2, keyboardTop - 20), 40); // the dark stage above
    }
}

TEST(StagePixels, NoteLandsAboveItsKeyInItsTrackColourAndFallsWithTheNoteSpeed)
{
    auto inputs = songInputs({MIDINoteSpan{.note = 60, .velocity = 90, .channel = 0, .trackIndex = 3, .eventIndex = 0,
                                           .startSeconds = 11, .endSeconds = 11.5}},
                             10);
    inputs.preset.noteSpeed = 1.5;
    inputs.preset.glowIntensity = 0;
    inputs.preset.noteColorMode = NoteColorMode::perTrack;
    inputs.preset.trackColors = {TrackVisualColor(3, 0.33, 1, 1)};
    GLOffscreenStage stage(QSize(width, height));
    stage.push(inputs);
    const auto before = stage.renderFrame(0);
    const auto [top, bottom] = greenRun(before, keyX(60));
    const double speed = 1.5 * 118;
    EXPECT_NEAR(bottom, keyboardTop - speed * 1.0, 2.0);
    EXPECT_NEAR(bottom - top, speed * 0.5, 3.0);
    EXPECT_EQ(greenRun(before, keyX(60) + 20).first, -1); // not over the neighbouring keys
    EXPECT_EQ(greenRun(before, keyX(60) - 20).first, -1);

    inputs.playbackPositionSeconds = 10.5;
    stage.push(inputs);
    const auto after = stage.renderFrame(1.0 / 60);
    EXPECT_NEAR(greenRun(after, keyX(60)).second - bottom, speed * 0.5, 2.0);
}

TEST(StagePixels, PressedKeyLights)
{
    GLOffscreenStage dark(QSize(width, height)), lit(QSize(width, height));
    dark.push(songInputs());
    auto inputs = songInputs();
    inputs.impactEvents = {strike(1, 61), strike(2, 64)};
    lit.push(inputs);
    double now = 0;
    lit.drawFrame(0);
    runUntil(lit, now, 0.1);
    const auto unlit = dark.renderFrame(0.1), image = lit.readImage();
    EXPECT_EQ(lit.renderer().lastFrame().keyLights, 2u);
    const QRgb black = image.pixel(keyX(61), keyboardTop + 20);
    EXPECT_GT(qGray(black), grey(unlit, keyX(61), keyboardTop + 20) + 40);
    EXPECT_GT(qBlue(black), qRed(black) + 30); // the impact's cyan
    EXPECT_GT(brightnessSum(image, keyX(64) - 4, keyboardTop + 60, keyX(64) + 4, keyboardTop + 80),
              brightnessSum(unlit, keyX(64) - 4, keyboardTop + 60, keyX(64) + 4, keyboardTop + 80));
    EXPECT_LE(largestDifference(image, unlit, 0, keyboardTop + 5, keyX(61) - 100, height), 1); // far keys stay
}

TEST(StagePixels, BloomBrightensAroundALitNoteOnly)
{
    const auto render = [](double glow) {
        auto inputs = songInputs({MIDINoteSpan{.note = 60, .startSeconds = 0.5, .endSeconds = 1.5}}, 0);
        inputs.preset.glowIntensity = glow;
        GLOffscreenStage stage(QSize(width, height));
        stage.push(inputs);
        return stage.renderFrame(0);
    };
    const auto plain = render(0), glowing = render(1);
    const int x = keyX(60), y = keyboardTop - 118;
    // A halo on both sides, fading with the distance; on average over a level brighter across a 24-point band.
    for (const int side : {x + 8, x - 32}) {
        const long area = 24 * 80;
        EXPECT_GT(brightnessSum(glowing, side, y - 40, side + 24, y + 40), brightnessSum(plain, side, y - 40, side + 24, y + 40) + area);
    }
    EXPECT_GT(grey(glowing, x + 10, y), grey(plain, x + 10, y) + 1);
    EXPECT_GT(grey(glowing, x + 10, y), grey(glowing, x + 30, y));
    EXPECT_LE(largestDifference(glowing, plain, x + 150, 0, width, keyboardTop - 10), 1);
    EXPECT_LE(largestDifference(glowing, plain, 0, 0, x - 150, keyboardTop - 10), 1);
}

TEST(StagePixels, IdenticalNotesDrawnAsOneLookAsTheyDoOneOverAnother)
{
    // Notes a millionth of a second apart are drawn one by one, a hair
    // below a pixel from each other; identical ones are folded into one.
    const auto render = [](int count, double apart) {
        std::vector<MIDINoteSpan> notes;
        for (int i = 0; i < count; ++i)
            notes.push_back({.note = 60, .velocity = 90, .startSeconds = 0.5 + i * apart, .endSeconds = 1.0});
        auto inputs = songInputs(notes, 0);
        inputs.preset.glowIntensity = 1;
        GLOffscreenStage stage(QSize(width, height));
        stage.push(inputs);
        const auto image = stage.renderFrame(0);
        EXPECT_EQ(stage.renderer().lastFrame().notes, apart == 0 ? 1u : static_cast<std::size_t>(count));
        return image;
    };
    const auto one = render(1, 0), folded = render(3, 0), stacked = render(3, 1e-6);
    const int x = keyX(60);
    EXPECT_LE(largestDifference(folded, stacked, x - 40, 0, x + 40, keyboardTop), 2);
    // Three layers are not one: the note is more opaque and its glow brighter.
    EXPECT_GT(largestDifference(folded, one, x - 8, keyboardTop - 100, x + 8, keyboardTop - 20), 8);
    EXPECT_GT(brightnessSum(folded, x + 8, keyboardTop - 100, x + 30, keyboardTop - 20),
              brightnessSum(one, x + 8, keyboardTop - 100, x + 30, keyboardTop - 20));
}

TEST(StagePixels, BackgroundPhotoFitsOrFills)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("square.png");
    QImage square(64, 64, QImage::Format_RGB32);
    square.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(square.save(path));

    const auto render = [&](BackgroundImageContentMode mode, const QString& photo) {
        auto inputs = songInputs();
        inputs.preset.background.opacity = 1;
        inputs.preset.background.blendMode = BackgroundBlendMode::normal;
        inputs.preset.background.contentMode = mode;
        inputs.backgroundImagePath = photo.toStdString();
        GLOffscreenStage stage(QSize(800, 400));
        stage.push(inputs);
        return stage.renderFrame(0);
    };
    const auto isRed = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60; };
    // A square photo on a 2:1 stage: fit covers the middle half of the width, fill all of it.
    const auto fit = render(BackgroundImageContentMode::fit, path);
    EXPECT_TRUE(isRed(fit.pixel(400, 100)));
    EXPECT_TRUE(isRed(fit.pixel(210, 100)));
    EXPECT_FALSE(isRed(fit.pixel(190, 100)));
    EXPECT_FALSE(isRed(fit.pixel(610, 100)));
    const auto fill = render(BackgroundImageContentMode::fill, path);
    EXPECT_TRUE(isRed(fill.pixel(400, 100)));
    EXPECT_TRUE(isRed(fill.pixel(10, 5)));
    EXPECT_TRUE(isRed(fill.pixel(790, 300)));
    const auto missing = render(BackgroundImageContentMode::fill, folder.filePath("missing.png"));
    EXPECT_FALSE(isRed(missing.pixel(400, 100)));
}

TEST(StagePixels, ParticlesAppearAfterAnImpactAndGoAfterTheirLifetime)
{
    GLOffscreenStage baseline(QSize(width, height)), stage(QSize(width, height));
    baseline.push(songInputs());
    auto inputs = songInputs();
    inputs.impactEvents = {strike(1, 60)};
    stage.push(inputs);
    const int left = keyX(60) - 120, right = keyX(60) + 120, top = keyboardTop - 200, bottom = keyboardTop - 60;
    double now = 0;
    stage.drawFrame(0);
    runUntil(stage, now, 0.4);
    EXPECT_GT(stage.renderer().lastFrame().particles, 100u);
    EXPECT_TRUE(stage.renderer().lastFrame().particleBloom);
    EXPECT_GT(largestDifference(stage.readImage(), baseline.renderFrame(0.4), left, top, right, bottom), 40);

    runUntil(stage, now, 2.5); // burst particles live 2.6 × 1.15 × 0.8 s
    EXPECT_EQ(stage.renderer().lastFrame().particles, 0u);
    EXPECT_EQ(stage.renderer().activeImpacts().size(), 1u); // kept until 2.6 × 1.7 s
    EXPECT_LE(largestDifference(stage.readImage(), baseline.renderFrame(2.5), 0, 0, width, height), 1);
    runUntil(stage, now, 4.5);
    EXPECT_TRUE(stage.renderer().activeImpacts().empty());
}

TEST(StagePixels, ReducedParticlesAndMotion)
{
    GLOffscreenStage baseline(QSize(width, height)), stage(QSize(width, height));
    baseline.push(songInputs());
    auto inputs = songInputs();
    inputs.accessibilityOptions = VisualAccessibilityOptions(false, false, true, 1);
    inputs.impactEvents = {strike(1, 60)};
    stage.push(inputs);
    double now = 0;
    stage.drawFrame(0);
    runUntil(stage, now, 0.2);
    EXPECT_EQ(stage.renderer().lastFrame().particles, 0u);
    EXPECT_EQ(stage.renderer().lastFrame().keyLights, 1u); // the key still lights
    EXPECT_LE(largestDifference(stage.readImage(), baseline.renderFrame(0.2), 0, 0, width, keyboardTop - 60), 1);

    // Without a song the demo rain falls, and stands still with reduced motion.
    const auto rain = [](bool reduceMotion) {
        StageInputs demo;
        demo.accessibilityOptions = VisualAccessibilityOptions(reduceMotion, false, false, 1);
        GLOffscreenStage stage(QSize(width, height));
        stage.push(demo);
        double now = 0;
        runUntil(stage, now, 0.5);
        const auto first = stage.readImage();
        runUntil(stage, now, 1.0);
        return largestDifference(first, stage.readImage(), 0, 0, width, keyboardTop);
    };
    EXPECT_GT(rain(false), 50);
    EXPECT_EQ(rain(true), 0);
}

TEST(StagePixels, BrokenProgramsAreReported)
{
    GLStageRenderer::Options missing;
    missing.shaderSource = "void main() {}";
    try {
        GLOffscreenStage stage(QSize(width, height), 1.0, missing);
        ADD_FAILURE() << "built without its functions";
    } catch (const RendererError& error) {
        EXPECT_NE(error.as<RendererError::ShaderFunctionMissing>(), nullptr);
    }
    GLStageRenderer::Options broken;
    broken.shaderSource = std::string(stageShaderSource()) + "\nthis is not GLSL;\n";
    try {
        GLOffscreenStage stage(QSize(width, height), 1.0, broken);
        ADD_FAILURE() << "built from a broken source";
    } catch (const RendererError& error) {
        const auto* failure = error.as<RendererError::ShaderBuildFailed>();
        ASSERT_NE(failure, nullptr);
        EXPECT_FALSE(failure->log.empty());
    }
}

TEST(StagePixels, LogsDrawableSizeOnceAndMissingImages)
{
    CapturedLog::messages.clear();
    const auto previous = qInstallMessageHandler(&CapturedLog::handler);
    {
        GLStageRenderer::Options options;
        options.resourceBundle = "/nonexistent";
        GLOffscreenStage stage(QSize(320, 200), 2.0, options);
        stage.drawFrame(0);
        stage.drawFrame(0.1);
    }
    qInstallMessageHandler(previous);
    std::lock_guard guard(CapturedLog::lock);
    EXPECT_EQ(CapturedLog::messages.count("Stage drawable resized to 640x400 pixels"), 1);
    EXPECT_TRUE(CapturedLog::messages.join("\n").contains("teclado88.png"));
    EXPECT_TRUE(CapturedLog::messages.join("\n").contains("panel-grain.png"));
}
