#include "CorvaneRendering/ImpactParticles.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "CorvaneRendering/StageColor.hpp"

namespace corvane {

namespace {

struct PatternConstants {
    float lifetime;
    float quantity;
    float flash;
    float material;
};

PatternConstants constantsOf(ParticlePattern pattern)
{
    switch (pattern) {
    case ParticlePattern::sparks: return {1.0f, 1.0f, 0.34f, 0};
    case ParticlePattern::burst: return {0.8f, 1.15f, 0.5f, 1};
    case ParticlePattern::dust: return {1.45f, 1.4f, 0.12f, 2};
    case ParticlePattern::ribbons: return {1.25f, 0.55f, 0.22f, 3};
    case ParticlePattern::twirl: return {1.35f, 0.75f, 0.25f, 4};
    case ParticlePattern::fountain: return {1.1f, 0.9f, 0.3f, 5};
    }
    return {1.0f, 1.0f, 0.34f, 0};
}

constexpr float flashMaterial = 6;

float fract(float x) { return x - std::floor(x); }

// A cheap stable hash of the particle seed, the same on every frame.
float hashed(float seed, float offset) { return fract(std::sin((seed + offset) * 12.9898f) * 43758.547f); }

struct ParticleState {
    Float2 position;
    Float2 size;
    float rotation;
};

// Per-spray values that particleState reads besides the particle's own numbers.
struct Spray {
    ParticlePattern pattern;
    float sourceX, keyboardTop, drag, lifetime, spread, speed, gravity, turbulence, size;
};

struct Particle {
    float s, r1, r2, r3, d;
};

float along(float vx, float vy) { return std::atan2(vy, vx) - std::numbers::pi_v<float> / 2; }

ParticleState particleState(float t, const Spray& spray, const Particle& particle)
{
    const float delta = 1.5f * spray.drag;
    const float tau = delta <= 0.0001f ? t : (1 - std::exp(-delta * t)) / delta;
    const float g = spray.gravity * 105;
    const float x0 = spray.sourceX;
    const float y0 = spray.keyboardTop - 7;
    const float speed = spray.speed, spread = spray.spread, turbulence = spray.turbulence;
    const auto [s, r1, r2, r3, d] = particle;
    float x = 0, y = 0, rotation = 0, w = 0, h = 0;
    switch (spray.pattern) {
    case ParticlePattern::sparks: {
        const float vx = speed * spread * d * (115 * r1 + 20);
        const float vy = -speed * spread * (165 * r2 + 65);
        x = x0 + vx * tau + turbulence * 4 * std::sin(s + 8 * tau);
        y = y0 + vy * tau + 0.5f * g * tau * tau;
        rotation = along(vx, vy + g * tau);
        w = 2.6f * r3 + 1.5f;
        h = 18 * r3 + 6;
        break;
    }
    case ParticlePattern::burst: {
        const float theta = 2 * std::numbers::pi_v<float> * hashed(s, 15.23f);
        const float magnitude = speed * spread * (170 * r2 + 60);
        const float vx = magnitude * std::cos(theta), vy = magnitude * std::sin(theta);
        x = x0 + vx * tau + turbulence * 5 * std::sin(s + 9 * tau);
        y = y0 + vy * tau + 0.5f * g * tau * tau;
        rotation = along(vx, vy + g * tau);
        w = 3.5f * r3 + 2.5f;
        h = 7 * r3 + 3.5f;
        break;
    }
    case ParticlePattern::dust:
        x = x0 + speed * spread * d * (34 * r1 + 6) * tau + turbulence * (4 * spread + 5) * std::sin(s + 3.5f * tau);
        y = y0 - speed * (54 * r2 + 18) * tau + 0.09f * g * tau * tau;
        rotation = d * tau;
        w = h = 6.5f * r3 + 3.5f;
        break;
    case ParticlePattern::ribbons: {
        const float omega = 3 * speed + 7;
        const float phi = s + omega * tau;
        const float amplitude = (10 * spread + 8) * turbulence;
        const float vx = speed * spread * d * (52 * r1 + 10);
        const float vy = -speed * spread * (125 * r2 + 52);
        x = x0 + vx * tau + amplitude * std::sin(phi);
        y = y0 + vy * tau + 0.36f * g * tau * tau;
        rotation = along(vx + omega * amplitude * std::cos(phi), vy + 0.72f * g * tau);
        w = 2.8f * r3 + 2.8f;
        h = 34 * r3 + 20;
        break;
    }
    case ParticlePattern::twirl: {
        const float u = t / spray.lifetime;
        const float alpha = 2 * u * (1.8f * r1 + 2.2f) * std::numbers::pi_v<float> + 0.08f * s;
        const float rho = spread * (u * (55 * r2 + 38) + 6);
        x = x0 + rho * std::cos(alpha) + turbulence * 3 * std::sin(s + 11 * tau);
        y = y0 - speed * (105 * r2 + 35) * tau + 0.45f * rho * std::sin(alpha) + 0.18f * g * tau * tau;
        rotation = alpha;
        w = 3.2f * r3 + 2.2f;
        h = 18 * r3 + 10;
        break;
    }
    case ParticlePattern::fountain: {
        const float vx = speed * spread * d * (42 * r1 + 8);
        const float vy = -(215 * r2 + 105) * speed;
        x = x0 + vx * tau + turbulence * 3 * std::sin(s + 7 * tau);
        y = y0 + vy * tau + 0.62f * g * tau * tau;
        rotation = along(vx, vy + 1.24f * g * tau);
        w = 3.0f * r3 + 1.8f;
        h = 22 * r3 + 8;
        break;
    }
    }
    return {{x, y}, {w * spray.size, h * spray.size}, rotation};
}

} // namespace

void appendImpactParticles(std::vector<ParticleInstance>& particles, const ImpactParticleSource& source,
                           const VisualPreset& preset)
{
    const auto constants = constantsOf(preset.particlePattern);
    const float strength = (source.intensity * 0.65f + 0.35f) * static_cast<float>(preset.particleIntensity);
    const float lifetime = static_cast<float>(preset.particleLifetime) * 1.15f * constants.lifetime;
    const float age = source.age;
    if (!(strength > 0) || !(age < lifetime)) return;
    const float opacity = static_cast<float>(preset.particleOpacity);
    const float size = static_cast<float>(preset.particleSize);

    if (preset.particleImpactFlash > 0 && particles.size() < particleListLimit) {
        const float fade = 1 - age / lifetime;
        Float4 flashColor = source.color;
        flashColor.w = strength * fade * fade * constants.flash * static_cast<float>(preset.particleImpactFlash) * opacity;
        particles.push_back({.center = {source.sourceX, source.keyboardTop - 8 - 18 * age},
                             .size = {(58 * age + 22) * size, (30 * age + 10) * size},
                             .color = flashColor,
                             .rotation = 0,
                             .material = flashMaterial,
                             .seed = static_cast<float>(source.seed),
                             .padding = 0});
    }

    const int count = static_cast<int>((strength * 25 + 5) * static_cast<float>(preset.particleQuantity) *
                                       constants.quantity);
    if (particles.size() > particleListLimit) return;
    const auto remaining = static_cast<std::int64_t>(particleListLimit - particles.size());
    const auto n = std::min<std::int64_t>(count, remaining);
    if (n < 1) return;
    const auto m = std::min<std::int64_t>(n, particlesPerImpactLimit);

    std::int64_t trailSamples = 0;
    if (preset.particleTrailLength > 0) {
        trailSamples = preset.particleTrailSamples;
        if (remaining / m <= trailSamples) trailSamples = remaining / m - 1;
    }
    const float trailLength = static_cast<float>(preset.particleTrailLength);

    const Spray spray{preset.particlePattern,
                      source.sourceX,
                      source.keyboardTop,
                      static_cast<float>(preset.particleDrag),
                      lifetime,
                      static_cast<float>(preset.particleSpread),
                      static_cast<float>(preset.particleSpeed),
                      static_cast<float>(preset.particleGravity),
                      static_cast<float>(preset.particleTurbulence),
                      size};
    const std::int64_t seedBase = source.seed * 131;
    for (std::int64_t j = 0; j < m; ++j) {
        const float s = static_cast<float>(seedBase + 47 * j);
        const Particle particle{s, hashed(s, 0.31f), hashed(s, 4.17f), hashed(s, 9.73f), j % 2 == 0 ? -1.0f : 1.0f};
        const float r4 = hashed(s, 27.11f);
        const Float4 particleColor =
            color(source.hue + (r4 - 0.5) * 0.24 * preset.particleColorVariation, source.saturation, source.brightness);
        const float alphaFactor = 0.42f + 0.48f * particle.r3;

        const auto append = [&](float t, float sizeScale, float alphaScale) {
            const float fade = std::max(0.0f, 1 - t / lifetime);
            const auto state = particleState(t, spray, particle);
            Float4 c = particleColor;
            c.w = alphaFactor * strength * fade * fade * opacity * alphaScale;
            particles.push_back({.center = state.position,
                                 .size = {state.size.x * sizeScale, state.size.y * sizeScale},
                                 .color = c,
                                 .rotation = state.rotation,
                                 .material = constants.material,
                                 .seed = s,
                                 .padding = 0});
        };
        append(age, 1, 1);
        float trailAlpha = 1;
        for (std::int64_t i = 1; i <= trailSamples; ++i) {
            trailAlpha *= 0.66f;
            const float sampleAge = age - 0.022f * static_cast<float>(i) * trailLength;
            if (sampleAge >= 0) append(sampleAge, 0.92f, trailAlpha);
        }
    }
}

} // namespace corvane
