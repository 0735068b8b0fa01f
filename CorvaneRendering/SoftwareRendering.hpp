#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Without a graphics card Mesa draws the stage on the processor (llvmpipe),
// by default with one rasteriser thread per core: every frame then takes all
// the cores at once and the audio thread misses its deadline. These tell when
// the stage is drawn in software and keep the rasteriser to a few threads.

// True when an OpenGL renderer name (GL_RENDERER) is one of Mesa's software
// rasterisers: llvmpipe, softpipe or the old swrast ("Software Rasterizer").
bool isSoftwareRenderer(std::string_view rendererName);

// The rasteriser threads the stage is given on a machine with `cores` cores:
// two, or one where there are fewer than four cores. Two keep a full stage
// moving at the software frame rate while the audio thread always finds a free core.
int softwareRasterizerThreads(unsigned cores);

// The environment variable Mesa's llvmpipe reads its thread count from.
inline constexpr const char* softwareRasterizerThreadsVariable = "LP_NUM_THREADS";

// Sets LP_NUM_THREADS to softwareRasterizerThreads(cores) unless the user set
// it (to anything not empty); returns the value in force afterwards. Mesa reads
// it once, when the driver loads: call this before the QApplication is made.
// Drivers for real graphics cards ignore it.
std::string capSoftwareRasterizerThreads(unsigned cores);
std::string capSoftwareRasterizerThreads();

// The prefix of the names llvmpipe gives its rasteriser threads ("llvmpipe-0", ...).
inline constexpr std::string_view softwareRasterizerThreadPrefix = "llvmpipe";
// The niceness the rasteriser threads are given, at least.
inline constexpr int softwareRasterizerNiceness = 10;

// The time slice the rasteriser threads ask for: the longest the kernel
// grants (Linux 6.12 and later). A thread with a shorter slice, as every other
// thread has, takes the processor from one with a longer slice on waking
// instead of waiting up to a scheduler tick for it; this holds also for the
// threads of other processes, such as a sound server's, which niceness does
// not reach when the kernel schedules each session as a group.
inline constexpr std::uint64_t softwareRasterizerSlice = 100'000'000;

// The cores the rasteriser threads are kept to: as many as there are threads,
// the last of the cores this process may use (the first take most
// interrupts), where at least two others remain; none (no confinement)
// otherwise. A waking thread of ours that finds a core without them need not
// wait for one: on a core they share, it can lose up to a scheduler tick
// (4 ms at 250 Hz) to a rasteriser thread the kernel still lets run. The
// program's other threads are kept to the other cores.
std::vector<int> softwareRasterizerCores(const std::vector<int>& allowed, int threads);

// Puts this process's rasteriser threads below its other threads and out of
// the way of every thread woken for its period: SCHED_BATCH (waking, they
// take no processor from a running thread) at niceness
// softwareRasterizerNiceness, or their own where that is higher, with the
// long slice above, on softwareRasterizerCores. Busy for much of each frame,
// they would otherwise hold a core while the sound server's threads and
// ours, woken for their period, wait behind them. Any user may lower a thread
// of their own. Returns how many threads are so lowered; call once the
// OpenGL context is made, since they start with the driver's screen.
// Threads of a real graphics card's driver are not named so.
int lowerSoftwareRasterizerThreads();

// The name of the thread that draws the stage on its own (ThreadedStageView).
inline constexpr std::string_view stageDrawingThreadName = "brelmo-stage";

// Puts the calling thread with them: the thread that draws the stage on its
// own only hands work to the rasteriser and waits. False when refused.
bool lowerThisThreadBelowSound();

} // namespace corvane
