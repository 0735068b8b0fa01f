#include "CorvaneRendering/SceneInstances.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "CorvaneRendering/ImpactParticles.hpp"
#include "CorvaneRendering/StageColor.hpp"
#include "CorvaneRendering/StageGeometry.hpp"

namespace corvane {

namespace {

using namespace StageGeometry;

struct Layout {
    float width, height;
    float keyboardWidth, whiteKey, keyboardHeight, keyboardTop;
};

Layout layoutFor(Float2 viewport)
{
    const float kw = std::max(viewport.x, 520.0f);
    const auto kh = static_cast<float>(std::min(static_cast<double>(viewport.y) * 0.5, 87.0));
    return {viewport.x, viewport.y, kw, kw / whiteKeyCount, kh, viewport.y - kh};
}

Float4 withAlpha(Float4 c, float alpha) { return {c.x, c.y, c.z, alpha}; }

Float4 colorOf(const TrackVisualColor& c) { return color(c.hue, c.saturation, c.brightness); }

// A quad identical to the newest one of its key covers the same pixels in
// the same colours: it becomes another layer of that one, which the shader
// folds in, so that a chord of half a million notes on 88 keys is 88 quads.
void appendLayered(std::vector<QuadInstance>& quads, std::int32_t& newestOfKey, const QuadInstance& quad)
{
    if (newestOfKey >= 0) {
        auto& newest = quads[static_cast<std::size_t>(newestOfKey)];
        auto same = quad;
        same.layers = newest.layers;
        if (same == newest) {
            newest.layers += quad.layers;
            return;
        }
    }
    newestOfKey = static_cast<std::int32_t>(quads.size());
    quads.push_back(quad);
}

// A falling note and its glow, clipped at the keyboard top.
void appendNote(SceneInstances& scene, const Layout& layout, int midiNote, float top, float bottom, Float4 noteColor,
                float glowIntensity)
{
    const int note = clampedNote(midiNote);
    const float x = keyCenterX(note, layout.whiteKey);
    const float width = layout.whiteKey * (isBlackKey(note) ? 0.54f : 0.76f);
    const float kt = layout.keyboardTop;
    const float glowTop = top - 7;
    const float glowHeight = std::min(bottom + 7, kt) - glowTop;
    const auto key = static_cast<std::size_t>(note);
    if (glowHeight > 0)
        appendLayered(scene.bloomNotes, scene.lastBloomNoteOfKey[key],
                      {.center = {x, glowTop + glowHeight / 2},
                       .size = {width * 1.55f, glowHeight},
                       .color = withAlpha(noteColor, glowIntensity * 0.12f + 0.1f)});
    const float visible = std::min(bottom, kt) - top;
    if (visible > 0)
        appendLayered(scene.notes, scene.lastNoteOfKey[key],
                      {.center = {x, top + visible / 2}, .size = {width, visible}, .color = noteColor});
}

void appendDemoRain(SceneInstances& scene, const Layout& layout, const RenderState& state, const AnimationTimes& times)
{
    static constexpr std::array<int, 14> melody{48, 52, 55, 60, 64, 67, 71, 74, 69, 65, 62, 57, 53, 50};
    const auto& preset = state.preset;
    const double t = state.accessibilityOptions.reduceMotion() ? 0.0 : times.playback;
    const Float4 accent = color(preset.accentHue, preset.accentSaturation, preset.accentBrightness);
    const float glow = static_cast<float>(preset.glowIntensity);
    for (int k = 0; k < 30; ++k) {
        const int note = std::min(melody[k % 14] + 12 * (k / 14), 96);
        const auto centre = static_cast<float>(
            std::fmod(t * preset.noteSpeed * 118 + 79.0 * k, static_cast<double>(layout.keyboardTop) + 620) - 420);
        const float half = static_cast<float>(42 + 13 * k - 65 * (k / 5)) * 0.5f;
        appendNote(scene, layout, note, centre - half, centre + half, accent, glow);
    }
}

void appendSongNotes(SceneInstances& scene, const Layout& layout, const RenderState& state)
{
    const auto& preset = state.preset;
    const double speed = preset.noteSpeed * 118;
    const double position = state.playbackPositionSeconds;
    const double kt = layout.keyboardTop;
    const double horizon = position + (kt + 40) / speed;
    const float glow = static_cast<float>(preset.glowIntensity);
    // Consecutive spans are mostly of one track: keep its colour instead of asking again.
    std::int64_t colorTrack = -1;
    Float4 trackColor;
    // The spans are in time order: those still sounding at the position
    // start at most the longest span's length before it, so a frame late in
    // a long song looks at the notes near the position, not at all before it.
    const auto& notes = state.timelineNotes;
    const double earliest = position - notes.longestSeconds() - 1e-6;
    const auto first = std::lower_bound(notes.begin(), notes.end(), earliest,
                                        [](const MIDINoteSpan& span, double at) { return span.startSeconds < at; });
    for (auto it = first; it != notes.end(); ++it) {
        const MIDINoteSpan& span = *it;
        if (span.startSeconds > horizon) break;
        if (span.endSeconds < position) continue;
        if (span.trackIndex != colorTrack) {
            colorTrack = span.trackIndex;
            trackColor = colorOf(preset.color(span.trackIndex));
        }
        const double bottom = kt - speed * (span.startSeconds - position);
        const double length = std::max(speed * (span.endSeconds - span.startSeconds), 12.0);
        appendNote(scene, layout, span.note, static_cast<float>(bottom - length), static_cast<float>(bottom), trackColor,
                   glow);
    }
}

void appendImpacts(SceneInstances& scene, const Layout& layout, const RenderState& state, const AnimationTimes& times,
                   const std::vector<ActiveImpact>& activeImpacts)
{
    const auto& preset = state.preset;
    const float glow = static_cast<float>(preset.glowIntensity);
    const float overlayOpacity = static_cast<float>(preset.keyOverlayOpacity);
    const float kt = layout.keyboardTop, kh = layout.keyboardHeight, wk = layout.whiteKey;
    for (auto impact = activeImpacts.rbegin(); impact != activeImpacts.rend(); ++impact) {
        const auto& event = impact->event;
        const int note = clampedNote(event.midiNote);
        const float v = static_cast<float>(event.velocity) / 127.0f;
        if (v == 0) continue;
        const double age = times.effects - impact->startTime;
        double hue = event.hue, saturation = preset.accentSaturation, brightness = preset.accentBrightness;
        if (event.trackIndex) {
            const auto trackColor = preset.color(*event.trackIndex);
            hue = trackColor.hue;
            saturation = trackColor.saturation;
            brightness = trackColor.brightness;
        }
        const Float4 impactColor = color(hue, saturation, brightness);
        const float x = keyCenterX(note, wk);

        const float strikeGlow = std::max(v, 0.2f) * glow;
        if (age >= 0 && age < 0.46 && (strikeGlow > 0 || overlayOpacity > 0)) {
            const auto a = static_cast<float>(age);
            const float attack = std::min(a / 0.045f, 1.0f);
            const float fade = attack * (1 - (a / 0.46f) * (a / 0.46f));
            KeyLightInstance light;
            light.color = withAlpha(impactColor, fade * overlayOpacity);
            light.glowOpacity = fade * (strikeGlow * 0.3f + 0.18f);
            if (isBlackKey(note)) {
                light.center = {x, kt + kh * 0.31f};
                light.size = {wk * 0.62f, kh * 0.62f};
                light.isBlack = 1;
            } else {
                light.center = {x, kt + kh * 0.5f};
                light.size = {wk * 0.94f, kh};
                light.topInsets = {isBlackKey(note - 1) ? 0.34f : 0.02f, isBlackKey(note + 1) ? 0.34f : 0.02f};
            }
            scene.keyLights.push_back(light);
        }
        if (age >= 0)
            appendImpactParticles(scene.particles,
                                  {.sourceX = x,
                                   .keyboardTop = kt,
                                   .color = impactColor,
                                   .age = static_cast<float>(age),
                                   .intensity = v,
                                   .hue = hue,
                                   .saturation = saturation,
                                   .brightness = brightness,
                                   .seed = static_cast<std::int64_t>(event.sequence)},
                                  preset);
    }
}

} // namespace

SceneInstances::SceneInstances()
{
    keyboardQuads.reserve(90);
    keyLights.reserve(12);
    notes.reserve(36);
    bloomNotes.reserve(36);
    bloomQuads.reserve(120);
    particles.reserve(512);
    lastNoteOfKey.fill(-1);
    lastBloomNoteOfKey.fill(-1);
}

void SceneInstances::clear()
{
    lastNoteOfKey.fill(-1);
    lastBloomNoteOfKey.fill(-1);
    keyboardQuads.clear();
    keyLights.clear();
    notes.clear();
    bloomNotes.clear();
    bloomQuads.clear();
    particles.clear();
}

void makeInstances(SceneInstances& scene, Float2 viewport, const RenderState& state, const AnimationTimes& times,
                   const std::vector<ActiveImpact>& activeImpacts)
{
    scene.clear();
    const auto layout = layoutFor(viewport);
    const auto& preset = state.preset;
    const float kt = layout.keyboardTop, kh = layout.keyboardHeight, wk = layout.whiteKey;

    const float saberAlpha = preset.saberEnabled ? static_cast<float>(preset.saberIntensity) * 0.42f : 0.0f;
    scene.bloomQuads.push_back({.center = {layout.width * 0.5f, kt},
                                .size = {layout.width, std::max(layout.height * 0.006f, 4.0f)},
                                .color = {0.36f, 0.68f, 1.0f, saberAlpha}});

    for (int i = 0; i < whiteKeyCount; ++i)
        scene.keyboardQuads.push_back({.center = {(static_cast<float>(i) + 0.5f) * wk, kt + kh * 0.5f},
                                       .size = {std::max(wk - 1, 2.0f), kh},
                                       .color = {0.84f, 0.86f, 0.91f, 1.0f}});
    for (int note = lowestNote; note <= highestNote; ++note)
        if (isBlackKey(note))
            scene.keyboardQuads.push_back({.center = {keyCenterX(note, wk), kt + kh * 0.31f},
                                           .size = {wk * 0.62f, kh * 0.62f},
                                           .color = {0.025f, 0.03f, 0.05f, 1.0f}});

    if (state.hasSong)
        appendSongNotes(scene, layout, state);
    else
        appendDemoRain(scene, layout, state, times);
    appendImpacts(scene, layout, state, times, activeImpacts);
}

KeyboardInstance texturedKeyboardInstance(Float2 viewport)
{
    const auto layout = layoutFor(viewport);
    const float kh = layout.height - layout.keyboardTop;
    return {.center = {layout.keyboardWidth / 2, layout.keyboardTop + kh / 2},
            .size = {layout.keyboardWidth, kh},
            .uvRect = {0, 0, 1, 1}};
}

} // namespace corvane
