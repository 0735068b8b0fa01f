#pragma once

#include <string>

namespace corvane {

// How the thread that runs the audio callback is scheduled. With ordinary
// scheduling it shares the processor with every other thread, and a busy
// machine (the stage drawn in software) makes it miss its period: a crackle.
struct AudioThreadScheduling {
    bool realtime = false;
    int policy = 0;     // SCHED_FIFO, SCHED_RR or SCHED_OTHER
    int priority = 0;   // the real-time priority; 0 with ordinary scheduling
    bool raised = false; // made real-time by requestRealtimeScheduling, not by the sound system
    int refusal = 0;    // errno of the refused request; 0 when none was refused

    bool operator==(const AudioThreadScheduling&) const = default;
};

// Above every ordinary thread, which is all it takes to keep the stage's
// rasteriser from delaying the audio; below the kernel's interrupt threads
// (50); within what the audio group's limits and rtkit commonly grant.
inline constexpr int audioThreadPriority = 10;

// On the calling thread: a thread already real-time (the sound system's own)
// is left as it is; otherwise asks for SCHED_FIFO at `priority`, or at the
// RLIMIT_RTPRIO ceiling when that is lower. A refusal leaves the thread as it
// was and is reported. Two or three system calls, made once: the audio
// callback can make them on its first run.
AudioThreadScheduling requestRealtimeScheduling(int priority = audioThreadPriority);

// One line for the log.
std::string describe(const AudioThreadScheduling& scheduling);

} // namespace corvane
