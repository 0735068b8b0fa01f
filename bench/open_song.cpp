// Times opening a large generated song (parse, tempo map, timeline, measure
// map) and stepping a playback cursor through it in 8 ms ticks.
//
//   bench_open_song [notes] [tracks]      (defaults: 1000000 notes over 16 tracks)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "DenseSong.hpp"

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

} // namespace

int main(int argc, char** argv)
{
    const long notes = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const int tracks = argc > 2 ? std::atoi(argv[2]) : 16;
    const auto bytes = denseSong(notes, tracks);
    const double megabytes = static_cast<double>(bytes.size()) / 1e6;

    double best = 1e9, bestParse = 0;
    std::size_t spans = 0, markers = 0;
    double duration = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        const auto file = StandardMIDIFileParser{}.parse(bytes);
        const double parsed = secondsSince(start);
        const MIDITimeline timeline(file);
        const MIDIMeasureMap measures(timeline.tempoMap(), timeline.durationSeconds());
        const double total = secondsSince(start);
        if (total < best) {
            best = total;
            bestParse = parsed;
        }
        spans = timeline.noteSpans().size();
        markers = measures.markers.size();
        duration = timeline.durationSeconds();
    }
    std::printf("song: %ld notes over %d tracks, %.1f MB, %.0f s long, %zu spans, %zu bars\n", notes, tracks,
                megabytes, duration, spans, markers - 1);
    std::printf("open (best of 5): %.3f s total, of which parse %.3f s\n", best, bestParse);
    std::printf("  %.1f MB/s, %.2f million notes/s\n", megabytes / best, static_cast<double>(notes) / best / 1e6);

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
