#include <gtest/gtest.h>

#include <algorithm>

#include "CorvaneRendering/SceneInstances.hpp"
#include "CorvaneRendering/StageColor.hpp"
#include "CorvaneRendering/StageGeometry.hpp"

using namespace corvane;

namespace {

constexpr Float2 viewport{1040, 400}; // white keys 20 points wide, keyboard top 313

RenderState songState(std::vector<MIDINoteSpan> notes, double position)
{
    RenderState state;
    state.hasSong = true;
    state.timelineNotes = std::move(notes);
    state.playbackPositionSeconds = position;
    return state;
}

MIDINoteSpan span(std::uint8_t note, double start, double end, std::int32_t track = 0)
{
    return {.note = note, .velocity = 90, .channel = 0, .trackIndex = track, .eventIndex = 0, .startSeconds = start,
            .endSeconds = end};
}

SceneInstances build(const RenderState& state, const AnimationTimes& times = {},
                     const std::vector<ActiveImpact>& impacts = {})
{
    SceneInstances scene;
    makeInstances(scene, viewport, state, times, impacts);
    return scene;
}

ActiveImpact impactOn(std::uint8_t note, std::uint8_t velocity, double start = 0)
{
    return {{.sequence = 1, .midiNote = note, .velocity = velocity, .hue = 0.3, .trackIndex = std::nullopt}, start};
}

} // namespace

TEST(SceneInstances, DrawnKeyboardHas52WhiteAnd36BlackKeys)
{
    const auto scene = build(songState({}, 0));
    ASSERT_EQ(scene.keyboardQuads.size(), 88u);
    for (int i = 0; i < 52; ++i) {
        EXPECT_FLOAT_EQ(scene.keyboardQuads[i].center.x, (i + 0.5f) * 20);
        EXPECT_FLOAT_EQ(scene.keyboardQuads[i].size.y, 87);
    }
    EXPECT_FLOAT_EQ(scene.keyboardQuads[52].center.x, 20); // A sharp 0
    EXPECT_FLOAT_EQ(scene.keyboardQuads[52].size.y, 87 * 0.62f);
    EXPECT_EQ(scene.keyboardQuads[87].color, (Float4{0.025f, 0.03f, 0.05f, 1.0f}));
    EXPECT_EQ(texturedKeyboardInstance(viewport),
              (KeyboardInstance{{520, 313 + 43.5f}, {1040, 87}, {0, 0, 1, 1}}));
}

TEST(SceneInstances, SaberBarIsAlwaysThere)
{
    auto state = songState({}, 0);
    state.preset.saberEnabled = false;
    const auto scene = build(state);
    ASSERT_EQ(scene.bloomQuads.size(), 1u);
    EXPECT_EQ(scene.bloomQuads[0].color.w, 0);
    EXPECT_EQ(scene.bloomQuads[0].center, (Float2{520, 313}));
}

TEST(SceneInstances, SongNotesFallFromTheHorizonAndAreClippedAtTheKeyboard)
{
    const double speed = 118; // note speed 1
    const double horizon = 1.0 + (313.0 + 40) / speed;
    const auto scene = build(songState({span(60, 0, 1), span(61, 1.0, 1.5), span(62, horizon, horizon + 1),
                                        span(64, horizon + 0.001, horizon + 2)},
                                       1.0));
    // The first ends exactly at the position: walked, but only its glow is left above the keys;
    // the last starts after the horizon.
    ASSERT_EQ(scene.bloomNotes.size(), 3u);
    ASSERT_EQ(scene.notes.size(), 2u);
    const auto& landing = scene.notes[0];
    EXPECT_FLOAT_EQ(landing.center.x, StageGeometry::keyCenterX(61, 20));
    EXPECT_FLOAT_EQ(landing.size.x, 20 * 0.54f);
    EXPECT_NEAR(landing.center.y + landing.size.y / 2, 313, 1e-3); // bottom at the keyboard top
    EXPECT_NEAR(landing.size.y, 0.5 * speed, 1e-3);
    EXPECT_FLOAT_EQ(scene.bloomNotes[0].center.y + scene.bloomNotes[0].size.y / 2, 313);
    EXPECT_LT(scene.notes[1].center.y + scene.notes[1].size.y / 2, 0); // at the horizon, above the view
}

TEST(SceneInstances, LateInALongSongTheNotesHeldFromLongAgoStillFall)
{
    // A pedal note under the whole song, and a short note every 10 ms.
    std::vector<MIDINoteSpan> notes{span(36, 0, 1000)};
    for (int i = 0; i < 100'000; ++i) notes.push_back(span(72, i * 0.01, i * 0.01 + 0.005));
    std::stable_sort(notes.begin(), notes.end(),
                     [](const MIDINoteSpan& a, const MIDINoteSpan& b) { return a.startSeconds < b.startSeconds; });
    const double position = 990.0;
    const double horizon = position + (313.0 + 40) / 118;
    std::size_t shown = 0;
    for (const auto& note : notes) shown += note.endSeconds >= position && note.startSeconds <= horizon;
    const auto scene = build(songState(notes, position));
    EXPECT_EQ(scene.bloomNotes.size(), shown);
    ASSERT_FALSE(scene.bloomNotes.empty());
    EXPECT_FLOAT_EQ(scene.bloomNotes[0].center.x, StageGeometry::keyCenterX(36, 20)) << "the pedal comes first";
}

TEST(SceneInstances, IdenticalNotesOfAKeyAreOneQuadOfAsManyLayersWhateverTheirNumber)
{
    // Half a million notes struck at once over the 88 keys in turn.
    std::vector<MIDINoteSpan> chord;
    for (int i = 0; i < 500'000; ++i) chord.push_back(span(static_cast<std::uint8_t>(21 + i % 88), 1.2, 1.5));
    const auto scene = build(songState(chord, 1.0));
    ASSERT_EQ(scene.notes.size(), 88u);
    ASSERT_EQ(scene.bloomNotes.size(), 88u);
    float layers = 0;
    for (std::size_t k = 0; k < 88; ++k) {
        EXPECT_FLOAT_EQ(scene.notes[k].center.x, StageGeometry::keyCenterX(static_cast<int>(21 + k), 20));
        EXPECT_EQ(scene.notes[k].layers, scene.bloomNotes[k].layers);
        layers += scene.notes[k].layers;
    }
    EXPECT_EQ(layers, 500'000);
    EXPECT_EQ(scene.notes[0].layers, 5682); // 500,000 = 88 * 5681 + 72
    EXPECT_EQ(scene.notes[87].layers, 5681);
    // The next frame's lists take no more room than this one's.
    SceneInstances again;
    makeInstances(again, viewport, songState(chord, 1.0), {}, {});
    const auto capacity = again.notes.capacity();
    makeInstances(again, viewport, songState(chord, 1.05), {}, {});
    EXPECT_EQ(again.notes.capacity(), capacity);
    EXPECT_LE(capacity, 256u);
}

TEST(SceneInstances, NotesDifferingInLengthColourOrOrderOnTheirKeyKeepTheirOwnQuads)
{
    auto state = songState({span(60, 1.2, 1.5), span(60, 1.2, 1.5), span(60, 1.2, 1.6), span(60, 1.2, 1.5),
                            span(60, 1.2, 1.5, 2), span(62, 1.2, 1.5), span(60, 1.2, 1.5, 2)},
                           1.0);
    state.preset.noteColorMode = NoteColorMode::perTrack;
    state.preset.trackColors = {TrackVisualColor(2, 0.33, 1, 1)};
    const auto scene = build(state);
    // The first two are one; the third is longer; the fourth comes after
    // it, so it is drawn over it as before; the fifth has another colour,
    // and the last is its layer even with another key drawn between them.
    ASSERT_EQ(scene.notes.size(), 5u);
    const std::vector<float> layers{2, 1, 1, 2, 1};
    const std::vector<float> centres{StageGeometry::keyCenterX(60, 20), StageGeometry::keyCenterX(60, 20),
                                     StageGeometry::keyCenterX(60, 20), StageGeometry::keyCenterX(60, 20),
                                     StageGeometry::keyCenterX(62, 20)};
    for (std::size_t i = 0; i < layers.size(); ++i) {
        EXPECT_EQ(scene.notes[i].layers, layers[i]) << i;
        EXPECT_EQ(scene.bloomNotes[i].layers, layers[i]) << i;
        EXPECT_FLOAT_EQ(scene.notes[i].center.x, centres[i]) << i;
    }
    EXPECT_EQ(scene.notes[3].color, color(0.33, 1, 1));
    EXPECT_GT(scene.notes[1].size.y, scene.notes[0].size.y);
}

TEST(SceneInstances, ShortNotesAreAtLeast12PointsAndMoveWithTheNoteSpeed)
{
    auto state = songState({span(60, 2.0, 2.01)}, 1.0);
    state.preset.noteSpeed = 1.5;
    const auto first = build(state);
    ASSERT_EQ(first.notes.size(), 1u);
    EXPECT_FLOAT_EQ(first.notes[0].size.y, 12);
    const float bottom = first.notes[0].center.y + first.notes[0].size.y / 2;
    EXPECT_NEAR(bottom, 313 - 1.5 * 118, 1e-3);
    state.playbackPositionSeconds = 1.5;
    const auto later = build(state);
    EXPECT_NEAR(later.notes[0].center.y - first.notes[0].center.y, 0.5 * 1.5 * 118, 1e-3);
}

TEST(SceneInstances, NotesTakeTheirTrackColour)
{
    auto state = songState({span(60, 1.2, 1.5, 2)}, 1.0);
    state.preset.noteColorMode = NoteColorMode::perTrack;
    state.preset.trackColors = {TrackVisualColor(2, 0.33, 1, 1)};
    const auto scene = build(state);
    ASSERT_EQ(scene.notes.size(), 1u);
    EXPECT_EQ(scene.notes[0].color, color(0.33, 1, 1));
    EXPECT_FLOAT_EQ(scene.bloomNotes[0].color.w, static_cast<float>(state.preset.glowIntensity) * 0.12f + 0.1f);
}

TEST(SceneInstances, DemoRainStandsStillWithReducedMotion)
{
    RenderState state;
    const auto moving = build(state, {.playback = 0, .effects = 0});
    const auto later = build(state, {.playback = 3, .effects = 3});
    EXPECT_NE(moving.notes, later.notes);
    state.accessibilityOptions = VisualAccessibilityOptions(true, false, false, 1);
    EXPECT_EQ(build(state, {.playback = 0}).notes, build(state, {.playback = 3}).notes);
    EXPECT_FALSE(build(state).notes.empty());
}

TEST(SceneInstances, ImpactsLightTheirKeys)
{
    const auto state = songState({}, 0);
    const AnimationTimes times{.playback = 0, .effects = 0.1};
    EXPECT_TRUE(build(state, times, {impactOn(60, 0)}).keyLights.empty());
    EXPECT_TRUE(build(state, times, {impactOn(60, 0)}).particles.empty());

    const auto white = build(state, times, {impactOn(60, 127)});
    ASSERT_EQ(white.keyLights.size(), 1u);
    const float fade = 1 - (0.1f / 0.46f) * (0.1f / 0.46f);
    EXPECT_NEAR(white.keyLights[0].glowOpacity, fade * (static_cast<float>(state.preset.glowIntensity) * 0.3f + 0.18f),
                1e-5);
    EXPECT_EQ(white.keyLights[0].topInsets, (Float2{0.02f, 0.34f})); // C: black key only to its right
    EXPECT_FALSE(white.particles.empty());

    const auto high = build(state, times, {impactOn(110, 100)});
    ASSERT_EQ(high.keyLights.size(), 1u);
    EXPECT_FLOAT_EQ(high.keyLights[0].center.x, StageGeometry::keyCenterX(108, 20));

    const auto black = build(state, times, {impactOn(61, 100)});
    EXPECT_EQ(black.keyLights[0].isBlack, 1);
    EXPECT_EQ(black.keyLights[0].size, (Float2{20 * 0.62f, 87 * 0.62f}));

    EXPECT_TRUE(build(state, {.effects = 0.5}, {impactOn(60, 100)}).keyLights.empty()); // past 0.46 s
}
