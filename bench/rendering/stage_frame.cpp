// Times stage frames at 1280 x 762 with 10,000 visible notes, a full particle
// list (4,096) and both bloom passes: the CPU side of a frame (until the
// commands are handed to the driver), the whole frame until the GPU is done,
// the GPU time from timer queries, the instance upload, and the number of
// allocations a steady frame makes.
#include <QGuiApplication>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

#include "CorvaneRendering/GLInstanceBuffer.hpp"
#include "CorvaneRendering/GLOffscreenStage.hpp"
#include "CorvaneRendering/SceneInstances.hpp"
#include "CorvaneRendering/StageGeometry.hpp"

namespace {

std::atomic<long> allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr int width = 1280, height = 762;
constexpr int warmUpFrames = 60, measuredFrames = 300;

// CPU time of the calling thread alone: the stage's own work and the driver's
// work on this thread, without the rasteriser threads of a software driver.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Summary {
    double median, p99, max;
};

Summary summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))]; };
    return {at(0.5), at(0.99), samples.back()};
}

// 10,000 notes inside the visible window of 6 s ahead of the position, on four tracks.
std::vector<MIDINoteSpan> denseNotes(double position)
{
    std::vector<MIDINoteSpan> notes;
    constexpr int count = 10'000;
    for (int i = 0; i < count; ++i) {
        const double start = position + 5.9 * i / count;
        notes.push_back({.note = static_cast<std::uint8_t>(21 + (i * 37) % 88), .velocity = 90,
                         .channel = 0, .trackIndex = i % 4, .eventIndex = i, .startSeconds = start,
                         .endSeconds = start + 0.35});
    }
    return notes;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    GLOffscreenStage stage(QSize(width, height));
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&stage.context());

    StageInputs inputs;
    inputs.hasSong = true;
    inputs.playbackPositionSeconds = 20;
    inputs.isPlaying = false; // the position stays, so that every frame shows all 10,000 notes
    inputs.timelineNotes = denseNotes(inputs.playbackPositionSeconds);
    inputs.preset.noteColorMode = NoteColorMode::perTrack;

    GLuint query = 0;
    gl->glGenQueries(1, &query);
    std::vector<double> cpu, thread, whole, gpu;
    cpu.reserve(measuredFrames);
    whole.reserve(measuredFrames);
    gpu.reserve(measuredFrames);
    long steadyAllocations = 0;
    std::uint64_t sequence = 0;
    double now = 0;
    std::size_t minimumParticles = SIZE_MAX, notes = 0, uploaded = 0;
    bool bothBlooms = true;
    for (int frame = 0; frame < warmUpFrames + measuredFrames; ++frame) {
        // A new strike every 8 frames keeps the particle list full (pushed outside the timed part,
        // as the workspace does between frames).
        if (frame % 8 == 0) {
            inputs.impactEvents.push_back({.sequence = ++sequence, .midiNote = static_cast<std::uint8_t>(30 + sequence % 60),
                                           .velocity = 110, .hue = 0.3, .trackIndex = std::nullopt});
            if (inputs.impactEvents.size() > 32) inputs.impactEvents.erase(inputs.impactEvents.begin());
            stage.push(inputs);
        }
        now += 1.0 / 60;
        gl->glBeginQuery(GL_TIME_ELAPSED, query);
        const long before = allocations.load();
        const double threadStart = threadMilliseconds();
        const auto start = Clock::now();
        stage.drawFrame(now);
        const auto submitted = Clock::now();
        const double threadTime = threadMilliseconds() - threadStart;
        const long after = allocations.load();
        gl->glEndQuery(GL_TIME_ELAPSED);
        gl->glFinish();
        const auto finished = Clock::now();
        GLuint64 elapsed = 0;
        gl->glGetQueryObjectui64v(query, GL_QUERY_RESULT, &elapsed);
        if (frame < warmUpFrames) continue;
        steadyAllocations += after - before;
        cpu.push_back(milliseconds(submitted - start));
        thread.push_back(threadTime);
        whole.push_back(milliseconds(finished - start));
        gpu.push_back(static_cast<double>(elapsed) * 1e-6);
        const auto& last = stage.renderer().lastFrame();
        minimumParticles = std::min(minimumParticles, last.particles);
        notes = last.notes;
        uploaded = last.uploadedBytes;
        bothBlooms = bothBlooms && last.particleBloom;
    }

    // The instance lists alone: building them on the CPU and uploading them.
    RenderState state;
    state.hasSong = true;
    state.timelineNotes = inputs.timelineNotes;
    state.playbackPositionSeconds = inputs.playbackPositionSeconds;
    state.preset = inputs.preset;
    SceneInstances scene;
    std::vector<ActiveImpact> impacts;
    for (std::uint64_t s = 1; s <= 32; ++s)
        impacts.push_back({{.sequence = s, .midiNote = static_cast<std::uint8_t>(30 + s), .velocity = 110, .hue = 0.3,
                            .trackIndex = std::nullopt},
                           0.1 * static_cast<double>(s % 20)});
    const AnimationTimes times{.playback = 0, .effects = 2.0};
    std::vector<double> build, upload;
    stage.makeCurrent();
    GLInstanceBuffer buffer(*gl);
    for (int i = 0; i < measuredFrames; ++i) {
        const auto start = Clock::now();
        makeInstances(scene, {width, height}, state, times, impacts);
        const auto built = Clock::now();
        buffer.begin(scene.notes.size() + scene.bloomNotes.size() + scene.particles.size() + scene.keyboardQuads.size() +
                     scene.keyLights.size() + scene.bloomQuads.size());
        buffer.append<QuadInstance>(scene.keyboardQuads);
        buffer.append<KeyLightInstance>(scene.keyLights);
        buffer.append<QuadInstance>(scene.notes);
        buffer.append<QuadInstance>(scene.bloomNotes);
        buffer.append<QuadInstance>(scene.bloomQuads);
        buffer.append<ParticleInstance>(scene.particles);
        const auto sent = Clock::now();
        gl->glFinish();
        build.push_back(milliseconds(built - start));
        upload.push_back(milliseconds(sent - built));
    }

    const auto report = [](const char* name, const std::vector<double>& samples) {
        const auto s = summarise(samples);
        std::printf("%-34s median %7.3f ms   p99 %7.3f ms   max %7.3f ms\n", name, s.median, s.p99, s.max);
    };
    std::printf("stage %dx%d, %zu notes drawn, at least %zu particles, both bloom passes: %s\n", width, height, notes,
                minimumParticles, bothBlooms ? "yes" : "no");
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER)));
    report("frame, CPU side (wall clock)", cpu);
    report("frame, CPU time of this thread", thread);
    report("frame, until the GPU is done", whole);
    report("frame, GPU (timer query)", gpu);
    report("instance lists, built", build);
    report("instance lists, uploaded", upload);
    std::printf("instance and uniform bytes per frame: %zu (%.2f MiB)\n", uploaded,
                static_cast<double>(uploaded) / (1024.0 * 1024.0));
    std::printf("allocations in %d steady frames: %ld\n", measuredFrames, steadyAllocations);
    return 0;
}
