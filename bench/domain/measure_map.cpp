// Times opening songs whose bars are many or whose tempo changes are many,
// on the calling thread: the tempo map, the timeline, the bar markers and a
// count-in from the start, as a song is opened and played.
//
//   bench_measure_map [runs]      (default 10)
//
// The songs: the two files the fuzzer found (a time-code division that makes
// a song of 97 days, and bars of 1/2^31 of a whole note), each giving the
// most bars a song may have; and, at 1 tick per quarter note, 4,000 tempo
// changes of the largest delta a file can hold, 4,000 a tick apart before
// one such delta (every bar lies past all of them), and 4,000 a bar apart.
// The first run of each song is reported on its own (the bars' memory is
// touched for the first time), then the best of the others.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CorvaneDomain/MIDICountInPlan.hpp"
#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Times {
    double timeline = 0, bars = 0, countIn = 0;
    double total() const { return timeline + bars + countIn; }
};

struct Song {
    std::string name;
    smf::Bytes bytes;
};

smf::Bytes fileBytes(const char* name)
{
    std::ifstream in(std::filesystem::path(BRELMO_HOSTILE_MIDI) / name, std::ios::binary);
    return smf::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Tempos alternating between the fastest and the slowest a file can state.
std::uint32_t alternatingTempo(int i) { return i % 2 ? 16'777'215 : 1; }

std::vector<Song> songs()
{
    std::vector<Song> out;
    out.push_back({"measure-map-smpte-division.mid", fileBytes("measure-map-smpte-division.mid")});
    out.push_back({"measure-map-tiny-metre.mid", fileBytes("measure-map-tiny-metre.mid")});
    smf::Track largest, close, barApart;
    largest.noteOn(0, 60);
    close.noteOn(0, 60);
    barApart.noteOn(0, 60).timeSignature(0, 255, 0);
    for (int i = 0; i < 4000; ++i) {
        largest.tempo(0x0FFFFFFF, 500'000);
        close.tempo(1, alternatingTempo(i));
        barApart.tempo(1020, alternatingTempo(i));
    }
    close.noteOff(0x0FFFFFFF, 60);
    barApart.noteOff(0x0FFFFFFF, 60);
    out.push_back({"4,000 tempos, largest delta", smf::file(0, 1, {largest})});
    out.push_back({"4,000 tempos a tick apart", smf::file(0, 1, {close})});
    out.push_back({"4,000 tempos a bar apart", smf::file(0, 1, {barApart})});
    return out;
}

void print(const char* label, const Times& t)
{
    std::printf("    %-10s total %8.2f ms | tempo map and timeline %7.2f ms | bars %8.2f ms | count-in %6.3f ms\n", label,
                t.total(), t.timeline, t.bars, t.countIn);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10;
    for (const auto& song : songs()) {
        Times first, best{1e9, 1e9, 1e9};
        std::size_t markers = 0, tempoChanges = 0;
        double duration = 0;
        for (int run = 0; run < runs; ++run) {
            Times times;
            auto start = Clock::now();
            const MIDITimeline timeline(StandardMIDIFileParser{}.parse(song.bytes));
            times.timeline = millisecondsSince(start);
            start = Clock::now();
            const MIDIMeasureMap measures(timeline.tempoMap(), timeline.durationSeconds());
            times.bars = millisecondsSince(start);
            start = Clock::now();
            const MIDICountInPlan countIn(timeline, 0, 4, 1.0);
            times.countIn = millisecondsSince(start);
            markers = measures.markers.size();
            tempoChanges = timeline.tempoMap().tempoChanges().size();
            duration = timeline.durationSeconds();
            if (run == 0) {
                first = times;
                continue;
            }
            best.timeline = std::min(best.timeline, times.timeline);
            best.bars = std::min(best.bars, times.bars);
            best.countIn = std::min(best.countIn, times.countIn);
        }
        std::printf("%s: %zu tempo changes, %.0f s, %zu markers (%.1f MB)\n", song.name.c_str(), tempoChanges, duration,
                    markers, static_cast<double>(markers * sizeof(MIDIMeasureMarker)) / 1e6);
        print("first", first);
        print("best", best);
    }
    return 0;
}
