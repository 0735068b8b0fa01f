#include <gtest/gtest.h>

#include <algorithm>

#include "CorvaneRendering/ImpactParticles.hpp"

using namespace corvane;

namespace {

ImpactParticleSource source(float age, std::int64_t seed = 7)
{
    return {.sourceX = 300, .keyboardTop = 500, .color = {1, 0.5f, 0.2f, 0.92f}, .age = age, .intensity = 0.8f,
            .hue = 0.08, .saturation = 1, .brightness = 1, .seed = seed};
}

std::vector<ParticleInstance> spray(const VisualPreset& preset, float age, std::int64_t seed = 7)
{
    std::vector<ParticleInstance> particles;
    appendImpactParticles(particles, source(age, seed), preset);
    return particles;
}

std::size_t flashes(const std::vector<ParticleInstance>& particles)
{
    return static_cast<std::size_t>(
        std::count_if(particles.begin(), particles.end(), [](const auto& p) { return p.material == 6; }));
}

} // namespace

TEST(ImpactParticles, NothingWithoutIntensityOrPastTheLifetime)
{
    auto preset = VisualPreset::builtIn();
    EXPECT_FALSE(spray(preset, 0.2f).empty());
    preset.particleIntensity = 0;
    EXPECT_TRUE(spray(preset, 0.2f).empty());
    preset = VisualPreset::builtIn(); // burst: lifetime 2.6 × 1.15 × 0.8
    EXPECT_FALSE(spray(preset, 2.38f).empty());
    EXPECT_TRUE(spray(preset, 2.4f).empty());
}

TEST(ImpactParticles, FlashComesFirstAndOnlyWhenAsked)
{
    auto preset = VisualPreset::builtIn();
    const auto withFlash = spray(preset, 0.3f);
    ASSERT_EQ(flashes(withFlash), 1u);
    EXPECT_EQ(withFlash.front().material, 6);
    EXPECT_FLOAT_EQ(withFlash.front().center.y, 500 - 8 - 18 * 0.3f);
    preset.particleImpactFlash = 0;
    const auto without = spray(preset, 0.3f);
    EXPECT_EQ(flashes(without), 0u);
    EXPECT_TRUE(std::equal(without.begin(), without.end(), withFlash.begin() + 1, withFlash.end()));
}

TEST(ImpactParticles, TrailsFollowTheirHead)
{
    auto preset = VisualPreset::builtIn();
    preset.particleImpactFlash = 0;
    preset.particleTrailLength = 0;
    const auto heads = spray(preset, 0.5f);
    preset.particleTrailLength = 1;
    preset.particleTrailSamples = 3;
    const auto trailed = spray(preset, 0.5f);
    ASSERT_EQ(trailed.size(), heads.size() * 4);
    EXPECT_EQ(trailed[0], heads[0]);
    EXPECT_LT(trailed[1].color.w, trailed[0].color.w);
    EXPECT_EQ(trailed[1].seed, trailed[0].seed);
}

TEST(ImpactParticles, TheListLimitIsShared)
{
    const auto preset = VisualPreset::builtIn();
    std::vector<ParticleInstance> particles(4090);
    appendImpactParticles(particles, source(0.3f), preset);
    EXPECT_EQ(particles.size(), 4096u); // the flash, then five heads without trails
    appendImpactParticles(particles, source(0.3f, 8), preset);
    EXPECT_EQ(particles.size(), 4096u);

    std::vector<ParticleInstance> many;
    for (std::int64_t seed = 0; seed < 100; ++seed) appendImpactParticles(many, source(0.3f, seed), preset);
    EXPECT_LE(many.size(), particleListLimit);
    EXPECT_GT(many.size(), particleListLimit - 200);
}

TEST(ImpactParticles, SpraysDependOnlyOnTheirSequenceAndAge)
{
    const auto preset = VisualPreset::builtIn();
    EXPECT_EQ(spray(preset, 0.4f, 11), spray(preset, 0.4f, 11));
    EXPECT_NE(spray(preset, 0.4f, 11), spray(preset, 0.4f, 12));
    EXPECT_NE(spray(preset, 0.4f, 11), spray(preset, 0.5f, 11));
}

TEST(ImpactParticles, PatternsStartAtTheKeyboardTop)
{
    auto preset = VisualPreset::builtIn();
    preset.particleImpactFlash = 0;
    preset.particleTrailLength = 0;
    preset.particleTurbulence = 0;
    for (const auto pattern : allCases<ParticlePattern>()) {
        preset.particlePattern = pattern;
        const auto particles = spray(preset, 0);
        ASSERT_FALSE(particles.empty());
        for (const auto& particle : particles) {
            if (pattern == ParticlePattern::twirl) {
                // On an ellipse of radius spread × 6 around the key.
                const float dx = particle.center.x - 300;
                EXPECT_LE(std::abs(dx), preset.particleSpread * 6 + 1e-3);
            } else {
                EXPECT_FLOAT_EQ(particle.center.y, 493);
                EXPECT_FLOAT_EQ(particle.center.x, 300);
            }
        }
    }
}
