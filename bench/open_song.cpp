// Times opening a large generated song (parse, tempo map, timeline, measure
// map) and stepping a playback cursor through it in 8 ms ticks.
//
//   bench_open_song [notes] [tracks]      (defaults: 1000000 notes over 16 tracks)
//
// The first open is reported on its own: it is what a user waits for, with
// memory the process has never touched; the best of the following runs shows
// the steady cost without the kernel's first-touch work.
//
// The memory line counts the heap: what the open song keeps (the timeline
// and its bars, once the parsed file is freed, as the application frees it),
// the parsed file (with the room its lists reserve and never touch) and the
// most held at once while opening; then the process's peak resident size.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <malloc.h>
#include <new>
#include <sys/resource.h>
#include <vector>

#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "DenseSong.hpp"

using namespace corvane;
using Clock = std::chrono::steady_clock;

// Every allocation of the process is counted, so the memory an open song
// holds is read exactly instead of from the kernel's page counts.
namespace {
std::atomic<std::size_t> liveBytes{0}, peakBytes{0};

void* counted(void* block)
{
    if (!block) throw std::bad_alloc();
    const std::size_t live = liveBytes += malloc_usable_size(block);
    for (std::size_t peak = peakBytes; live > peak && !peakBytes.compare_exchange_weak(peak, live);) {
    }
    return block;
}

void uncounted(void* block)
{
    if (!block) return;
    liveBytes -= malloc_usable_size(block);
    std::free(block);
}
} // namespace

void* operator new(std::size_t size) { return counted(std::malloc(size ? size : 1)); }
void* operator new[](std::size_t size) { return counted(std::malloc(size ? size : 1)); }
void* operator new(std::size_t size, std::align_val_t align)
{
    return counted(std::aligned_alloc(static_cast<std::size_t>(align), (size + static_cast<std::size_t>(align) - 1) &
                                                                           ~(static_cast<std::size_t>(align) - 1)));
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void operator delete(void* block) noexcept { uncounted(block); }
void operator delete[](void* block) noexcept { uncounted(block); }
void operator delete(void* block, std::size_t) noexcept { uncounted(block); }
void operator delete[](void* block, std::size_t) noexcept { uncounted(block); }
void operator delete(void* block, std::align_val_t) noexcept { uncounted(block); }
void operator delete[](void* block, std::align_val_t) noexcept { uncounted(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { uncounted(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { uncounted(block); }

namespace {

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// This thread's processor time, kernel included (page faults): on a busy
// machine it moves much less than the wall clock does.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct OpenTimes {
    double parse = 0, timeline = 0, measures = 0, processor = 0;
    double total() const { return parse + timeline + measures; }
};

void report(const char* label, const OpenTimes& t, double megabytes)
{
    std::printf("%-14s total %7.1f ms (%6.1f MB/s) | parse %6.1f ms (%6.1f MB/s) | timeline %6.1f ms | bars %5.2f ms"
                " | processor time %6.1f ms (%5.1f MB/s)\n",
                label, t.total() * 1e3, megabytes / t.total(), t.parse * 1e3, megabytes / t.parse, t.timeline * 1e3,
                t.measures * 1e3, t.processor * 1e3, megabytes / t.processor);
}

} // namespace

int main(int argc, char** argv)
{
    // The runs after the first reuse the memory the ones before gave back,
    // whatever size the song's lists come to: without this, glibc returns a
    // list freed just under its mapping threshold to the system, and every
    // run pays the first touch again.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    const long notes = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const int tracks = argc > 2 ? std::atoi(argv[2]) : 16;
    const auto bytes = denseSong(notes, tracks);
    const double megabytes = static_cast<double>(bytes.size()) / 1e6;

    OpenTimes first, best{1e9, 1e9, 1e9, 1e9};
    std::size_t spans = 0, markers = 0, events = 0;
    double duration = 0;
    // Of the first open: the parsed file, what stays once it is gone (the
    // timeline and the bars, all that an open song keeps), and the most held at once.
    std::size_t fileBytes = 0, songBytes = 0, openingPeakBytes = 0;
    for (int run = 0; run < 6; ++run) {
        OpenTimes times;
        const std::size_t before = liveBytes;
        peakBytes = before;
        const double processorStart = threadSeconds();
        auto start = Clock::now();
        const auto file = StandardMIDIFileParser{}.parse(bytes);
        times.parse = secondsSince(start);
        const std::size_t parsed = liveBytes;
        start = Clock::now();
        const MIDITimeline timeline(file);
        times.timeline = secondsSince(start);
        start = Clock::now();
        const MIDIMeasureMap measures(timeline.tempoMap(), timeline.durationSeconds());
        times.measures = secondsSince(start);
        times.processor = threadSeconds() - processorStart;
        if (run == 0) {
            fileBytes = parsed - before;
            songBytes = liveBytes - parsed;
            openingPeakBytes = peakBytes - before;
        }
        if (run == 0) first = times;
        else {
            best.parse = std::min(best.parse, times.parse);
            best.timeline = std::min(best.timeline, times.timeline);
            best.measures = std::min(best.measures, times.measures);
            best.processor = std::min(best.processor, times.processor);
        }
        spans = timeline.noteSpans().size();
        events = timeline.events().size();
        markers = measures.markers.size();
        duration = timeline.durationSeconds();
    }
    std::printf("song: %ld notes over %d tracks, %.1f MB, %.0f s long, %zu events, %zu spans, %zu bars\n", notes,
                tracks, megabytes, duration, events, spans, markers - 1);
    report("first open", first, megabytes);
    report("best of 5", best, megabytes);

    // The tempo map on its own: part of the timeline's figure above.
    {
        const auto file = StandardMIDIFileParser{}.parse(bytes);
        double tempoBest = 1e9;
        for (int run = 0; run < 5; ++run) {
            const auto start = Clock::now();
            const MIDITempoMap map(file);
            tempoBest = std::min(tempoBest, secondsSince(start));
        }
        std::printf("  of the timeline, tempo map %.2f ms (best of 5)\n", tempoBest * 1e3);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("memory: open song %.1f MB (%.0f bytes a note), parsed file %.1f MB, peak while opening %.1f MB,"
                " process peak resident %.1f MB\n",
                double(songBytes) / 1e6, double(songBytes) / double(std::max(notes, 1L)), double(fileBytes) / 1e6,
                double(openingPeakBytes) / 1e6, double(usage.ru_maxrss) / 1e3);

    // Cursor stepping: the cost of one tick should follow the events it hands out, not the song length.
    const auto file = StandardMIDIFileParser{}.parse(bytes);
    const MIDITimeline timeline(file);
    MIDITimelineCursor cursor(timeline, 0);
    const auto start = Clock::now();
    std::size_t steps = 0, handedOut = 0, maxDue = 0;
    for (double t = 0; t <= timeline.durationSeconds() + 0.008; t += 0.008, ++steps) {
        const auto due = cursor.consume(timeline, t);
        handedOut += due.size();
        maxDue = std::max(maxDue, due.size());
    }
    const double stepping = secondsSince(start);
    std::printf("cursor: %zu ticks of 8 ms, %zu events handed out (at most %zu in one tick)\n", steps, handedOut, maxDue);
    std::printf("  %.0f ns per tick, %.1f ns per event handed out\n", stepping / double(steps) * 1e9,
                stepping / double(std::max<std::size_t>(handedOut, 1)) * 1e9);
    return 0;
}
