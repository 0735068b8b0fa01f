#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// How a thread the sound server waits for each period is scheduled: the
// audio callback's, and the MIDI client's process thread. With ordinary
// scheduling it shares the processor with every other thread, and a busy
// machine (the stage drawn in software) makes it miss its period: a crackle.
struct AudioThreadScheduling {
    bool realtime = false;
    int policy = 0;     // SCHED_FIFO, SCHED_RR or SCHED_OTHER
    int priority = 0;   // the real-time priority; 0 with ordinary scheduling
    bool raised = false; // made real-time by requestRealtimeScheduling, not by the sound system
    int refusal = 0;    // errno of the refused request; 0 when none was refused
    // Refused real time, the ordinary thread's time slice in nanoseconds when
    // the short one was granted (see shortTimeSlice); 0 otherwise.
    std::uint64_t slice = 0;

    bool operator==(const AudioThreadScheduling&) const = default;
};

// Above every ordinary thread, which is all it takes to keep the stage's
// rasteriser from delaying the audio; below the kernel's interrupt threads
// (50); within what the audio group's limits and rtkit commonly grant.
inline constexpr int audioThreadPriority = 10;

// Asked for instead when real time is refused (Linux 6.12 and later let any
// thread ask): a thread with a slice shorter than the running one's takes the
// processor from it on waking, where the default slice (about 3 ms) would let
// a busy rasteriser thread finish its own first, half a period at 256 frames.
// The callbacks run for a fraction of it each period.
inline constexpr std::uint64_t shortTimeSlice = 500'000;

// On the calling thread: a thread already real-time (the sound system's own)
// is left as it is; otherwise asks for SCHED_FIFO at `priority`, or at the
// RLIMIT_RTPRIO ceiling when that is lower. A refusal is reported, and an
// ordinary thread then asks for the short time slice, keeping its niceness.
// A few system calls, made once: a callback can make them on its first run.
AudioThreadScheduling requestRealtimeScheduling(int priority = audioThreadPriority);

// One line for the log.
std::string describe(const AudioThreadScheduling& scheduling);

} // namespace corvane
