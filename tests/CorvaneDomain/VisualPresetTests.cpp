#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CorvaneDomain/VisualAccessibilityOptions.hpp"
#include "CorvaneDomain/VisualPreset.hpp"

using namespace corvane;
using nlohmann::json;

namespace {

VisualPreset decodePreset(const json& value) { return decodeJSON<VisualPreset>(value); }

VisualPreset perTrackPreset(std::vector<TrackVisualColor> colors = {})
{
    auto preset = decodePreset(json::object());
    preset.noteColorMode = NoteColorMode::perTrack;
    preset.trackColors = std::move(colors);
    return preset;
}

std::vector<std::int64_t> trackIndices(const VisualPreset& preset)
{
    std::vector<std::int64_t> out;
    for (const auto& c : preset.trackColors) out.push_back(c.trackIndex());
    return out;
}

} // namespace

TEST(VisualPreset, EmptyObjectDecodesToTheDefaultsWithTheFactoryBackground)
{
    const auto preset = decodePreset(json::object());
    EXPECT_EQ(preset.background, VisualBackgroundConfiguration::factory());
    EXPECT_EQ(preset.noteSpeed, 1.0);
    EXPECT_EQ(preset.glowIntensity, 0.72);
    EXPECT_EQ(preset.saberBlendMode, BackgroundBlendMode::plusLighter);
    EXPECT_EQ(preset.keyOverlayBlendMode, VisualBlendMode::additive);
    EXPECT_TRUE(preset.trackColors.empty());
    // Every default lies inside its range, and so does the built-in look.
    EXPECT_EQ(preset.clamped(), preset);
    EXPECT_EQ(VisualPreset::builtIn().clamped(), VisualPreset::builtIn());
    // A present background object takes its own per-key defaults.
    const auto emptyBackground = decodePreset(json{{"background", json::object()}}).background;
    EXPECT_EQ(emptyBackground.blendMode, BackgroundBlendMode::normal);
    EXPECT_EQ(emptyBackground.bottomBrightness, 23.0 / 255.0);
    EXPECT_EQ(emptyBackground.gridOpacity, 0.018);
}

TEST(VisualPreset, DecodingDefaultsAndFailures)
{
    EXPECT_EQ(decodePreset(json{{"noteSpeed", nullptr}}).noteSpeed, 1.0);
    EXPECT_THROW(decodePreset(json{{"noteSpeed", "fast"}}), JSONDecodingError);
    EXPECT_THROW(decodePreset(json{{"saberEnabled", 1}}), JSONDecodingError);
    EXPECT_THROW(decodePreset(json{{"particleTrailSamples", 2.5}}), JSONDecodingError);
    EXPECT_THROW(decodePreset(json::array()), JSONDecodingError);

    // The key overlay and particle blend modes never fail; the smoke's does.
    for (const json& unreadable : {json("glitter"), json(3), json(nullptr)}) {
        const auto preset = decodePreset(json{{"keyOverlayBlendMode", unreadable}, {"particleBlendMode", unreadable}});
        EXPECT_EQ(preset.keyOverlayBlendMode, VisualBlendMode::additive);
        EXPECT_EQ(preset.particleBlendMode, VisualBlendMode::additive);
    }
    EXPECT_EQ(decodePreset(json{{"keyOverlayBlendMode", "screen"}}).keyOverlayBlendMode, VisualBlendMode::screen);
    EXPECT_THROW(decodePreset(json{{"smokeBlendMode", "glitter"}}), JSONDecodingError);
    EXPECT_EQ(decodePreset(json{{"smokeBlendMode", nullptr}}).smokeBlendMode, VisualBlendMode::additive);
    // The saber uses the background's modes, which have no `additive`.
    EXPECT_THROW(decodePreset(json{{"saberBlendMode", "additive"}}), JSONDecodingError);
    EXPECT_THROW(decodePreset(json{{"background", {{"blendMode", "additive"}}}}), JSONDecodingError);
    EXPECT_THROW(decodePreset(json{{"background", {{"imageReference", json::object()}}}}), JSONDecodingError);

    // Track colours are strict although the preset around them is lenient.
    EXPECT_THROW(decodePreset(json{{"trackColors", {{{"trackIndex", 1}, {"hue", 0.5}, {"saturation", 0.5}}}}}),
                 JSONDecodingError);
    EXPECT_TRUE(decodePreset(json{{"trackColors", nullptr}}).trackColors.empty());

    // The first bad key in reading order decides: the saber's look is read last.
    try {
        decodePreset(json{{"saberHue", "x"}, {"smokeSpeed", "y"}});
        FAIL();
    } catch (const JSONDecodingError& error) {
        EXPECT_EQ(error.codingPath(), "smokeSpeed");
    }
}

TEST(VisualPreset, DecodingKeepsOutOfRangeValuesUntilClamped)
{
    const auto preset = decodePreset(json{{"noteSpeed", 9}, {"particleTrailSamples", -3}, {"saberYOffset", -500}});
    EXPECT_EQ(preset.noteSpeed, 9);
    EXPECT_EQ(preset.particleTrailSamples, -3);
    EXPECT_EQ(preset.saberYOffset, -500);
    const auto clamped = preset.clamped();
    EXPECT_EQ(clamped.noteSpeed, 2);
    EXPECT_EQ(clamped.particleTrailSamples, 0);
    EXPECT_EQ(clamped.saberYOffset, -160);
}

TEST(VisualPreset, ClampBounds)
{
    auto preset = VisualPreset::builtIn();
    preset.accentBrightness = 0;
    preset.accentHue = 1.4;
    preset.particleGravity = -INFINITY;
    preset.smokeSpread = INFINITY;
    preset.particleTrailSamples = 12;
    preset.glowIntensity = std::numeric_limits<double>::quiet_NaN();
    preset.background.bottomBrightness = -1;
    preset.background.opacity = 1.5;
    preset.trackColors = {TrackVisualColor(3, 1.2, -0.1, 0.05), TrackVisualColor(-2, 0.5, 0.5, 0.5),
                          TrackVisualColor(3, 0.1, 0.1, 0.1)};
    const auto clamped = preset.clamped();
    EXPECT_EQ(clamped.accentBrightness, 0.15); // brightness floor
    EXPECT_EQ(clamped.accentHue, 1);           // hues do not wrap
    EXPECT_EQ(clamped.particleGravity, -4);
    EXPECT_EQ(clamped.smokeSpread, 3);
    EXPECT_EQ(clamped.particleTrailSamples, 8);
    EXPECT_TRUE(std::isnan(clamped.glowIntensity));
    EXPECT_EQ(clamped.background.bottomBrightness, 0); // no floor in the background
    EXPECT_EQ(clamped.background.opacity, 1);
    // Entries are clamped one by one; duplicates and order survive.
    EXPECT_EQ(clamped.trackColors, (std::vector{TrackVisualColor(3, 1, 0, 0.15), TrackVisualColor(0, 0.5, 0.5, 0.5),
                                                TrackVisualColor(3, 0.1, 0.1, 0.15)}));
    // Everything else is untouched.
    auto expected = clamped;
    expected.accentBrightness = preset.accentBrightness;
    expected.accentHue = preset.accentHue;
    expected.particleGravity = preset.particleGravity;
    expected.smokeSpread = preset.smokeSpread;
    expected.particleTrailSamples = preset.particleTrailSamples;
    expected.glowIntensity = 0; // NaN never compares equal; compare the rest
    expected.background = preset.background;
    expected.trackColors = preset.trackColors;
    auto original = preset;
    original.glowIntensity = 0;
    EXPECT_EQ(expected, original);
}

TEST(VisualPreset, RoundTrip)
{
    auto preset = VisualPreset::builtIn();
    preset.background.imageReference = BackgroundImageReference{"/home/ana/Fotos/palco.jpg", std::vector<std::uint8_t>{0, 1, 2}};
    preset.saberYOffset = -12.5;
    const auto encoded = encodeJSON(preset);
    EXPECT_EQ(encoded.size(), 52u);
    EXPECT_EQ(decodeJSONText<VisualPreset>(encoded.dump()), preset);
    EXPECT_EQ(decodePreset(encodeJSON(decodePreset(json::object()))), decodePreset(json::object()));

    preset.background.imageReference = BackgroundImageReference{"/p.png", std::nullopt};
    const auto withoutBookmark = encodeJSON(preset)["background"]["imageReference"];
    EXPECT_EQ(withoutBookmark, (json{{"path", "/p.png"}}));
    preset.background.imageReference.reset();
    EXPECT_FALSE(encodeJSON(preset)["background"].contains("imageReference"));
    EXPECT_EQ(encodeJSON(preset)["background"].size(), 14u);

    preset.particleSpeed = NAN;
    EXPECT_THROW(encodeJSON(preset), JSONEncodingError);
}

TEST(VisualPreset, TrackColours)
{
    // Missing entries step round the colour circle from the accent.
    auto preset = perTrackPreset();
    preset.accentHue = 0.76;
    preset.accentSaturation = 0.72;
    preset.accentBrightness = 1.0;
    EXPECT_DOUBLE_EQ(preset.color(0).hue, 0.76);
    EXPECT_NEAR(preset.color(2).hue, 0.106, 1e-12);
    EXPECT_EQ(preset.color(2).saturation, 0.72);
    EXPECT_EQ(preset.color(-1).trackIndex(), 0);
    preset.accentHue = 0;
    EXPECT_EQ(preset.color(-3).hue, 0); // a negative remainder clamps to 0

    // A stored entry is used, clamped on the way out but not in storage.
    preset.trackColors = {TrackVisualColor(1, 0.3, 0.4, 0.05), TrackVisualColor(1, 0.9, 0.9, 0.9)};
    EXPECT_EQ(preset.color(1), TrackVisualColor(1, 0.3, 0.4, 0.15));
    EXPECT_EQ(preset.trackColors[0].brightness, 0.05);

    // Single mode ignores the entries.
    preset.noteColorMode = NoteColorMode::single;
    preset.accentBrightness = 0.5;
    EXPECT_EQ(preset.color(1), TrackVisualColor(1, 0, 0.72, 0.5));
}

TEST(VisualPreset, SetColourReplacesInPlaceOrAppendsSorted)
{
    auto preset = perTrackPreset({TrackVisualColor(3, 0, 0, 1), TrackVisualColor(1, 0, 0, 1)});
    preset.setColor(TrackVisualColor(5, 0.5, 0.5, 0.5), 2); // the colour's own track is ignored
    EXPECT_EQ(trackIndices(preset), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(preset.trackColors[1], TrackVisualColor(2, 0.5, 0.5, 0.5));

    auto unsorted = perTrackPreset({TrackVisualColor(3, 0, 0, 1), TrackVisualColor(1, 0, 0, 1),
                                    TrackVisualColor(3, 0.2, 0.2, 0.2)});
    unsorted.setColor(TrackVisualColor(0, 2.0, 0.5, 0.0), 3);
    EXPECT_EQ(trackIndices(unsorted), (std::vector<std::int64_t>{3, 1, 3}));
    EXPECT_EQ(unsorted.trackColors[0], TrackVisualColor(3, 1.0, 0.5, 0.15));
    EXPECT_EQ(unsorted.trackColors[2], TrackVisualColor(3, 0.2, 0.2, 0.2));

    // A negative track is stored as 0 but looked up as given, so each call appends.
    unsorted.setColor(TrackVisualColor(0, 0.5, 0.5, 0.5), -1);
    unsorted.setColor(TrackVisualColor(0, 0.5, 0.5, 0.5), -1);
    EXPECT_EQ(trackIndices(unsorted), (std::vector<std::int64_t>{0, 0, 1, 3, 3}));
}

TEST(VisualAccessibilityOptions, EffectIntensityIsKeptInRange)
{
    EXPECT_EQ(VisualAccessibilityOptions(false, false, false, 0).effectIntensity(), 0.2);
    EXPECT_EQ(VisualAccessibilityOptions(false, false, false, 1.5).effectIntensity(), 1);
    EXPECT_EQ(VisualAccessibilityOptions(false, false, false, NAN).effectIntensity(), 0.2);
    EXPECT_EQ(VisualAccessibilityOptions(false, false, false, 0.6).effectIntensity(), 0.6);
}

TEST(VisualAccessibilityOptions, AdjustsOnlyTheEffectStrengths)
{
    auto preset = VisualPreset::builtIn();
    preset.glowIntensity = 0.8;
    preset.smokeIntensity = 1.2;
    preset.particleIntensity = 3.0;
    preset.noteSpeed = 7; // out of range: clamped first

    EXPECT_EQ(VisualAccessibilityOptions(false, true, false, 1).adjusted(preset), preset.clamped());

    const auto half = VisualAccessibilityOptions(false, false, false, 0.5).adjusted(preset);
    EXPECT_DOUBLE_EQ(half.glowIntensity, 0.4);
    EXPECT_DOUBLE_EQ(half.smokeIntensity, 0.6);
    EXPECT_DOUBLE_EQ(half.particleIntensity, 1.5);
    EXPECT_DOUBLE_EQ(half.particleGlowIntensity, preset.particleGlowIntensity * 0.5);
    EXPECT_DOUBLE_EQ(half.saberIntensity, preset.saberIntensity * 0.5);
    auto rest = half;
    rest.glowIntensity = rest.smokeIntensity = rest.particleIntensity = rest.particleGlowIntensity =
        rest.saberIntensity = 0;
    auto expected = preset.clamped();
    expected.glowIntensity = expected.smokeIntensity = expected.particleIntensity = expected.particleGlowIntensity =
        expected.saberIntensity = 0;
    EXPECT_EQ(rest, expected);

    // Fewer particles means no emission and no particle glow; the rest of the particles stay.
    const auto reduced = VisualAccessibilityOptions(false, false, true, 0.5).adjusted(preset);
    EXPECT_EQ(reduced.particleIntensity, 0);
    EXPECT_EQ(reduced.particleGlowIntensity, 0);
    EXPECT_EQ(reduced.particleQuantity, preset.particleQuantity);
    EXPECT_EQ(reduced.particleSize, preset.particleSize);
    EXPECT_EQ(reduced.noteSpeed, 2);
    EXPECT_TRUE(reduced.smokeEnabled);
    EXPECT_EQ(VisualAccessibilityOptions(true, false, false, 0.5).adjusted(preset), reduced);

    preset.glowIntensity = 3;
    EXPECT_DOUBLE_EQ(VisualAccessibilityOptions(false, false, false, 0.5).adjusted(preset).glowIntensity, 0.5);
}
