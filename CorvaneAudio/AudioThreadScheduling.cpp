#include "CorvaneAudio/AudioThreadScheduling.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane {

namespace {

const char* policyName(int policy)
{
    switch (policy) {
    case SCHED_FIFO: return "SCHED_FIFO";
    case SCHED_RR: return "SCHED_RR";
    case SCHED_OTHER: return "SCHED_OTHER";
    case SCHED_BATCH: return "SCHED_BATCH";
    case SCHED_IDLE: return "SCHED_IDLE";
    }
    return "an unknown policy";
}

// The kernel's struct sched_attr (glibc 2.36 has no wrapper for it).
struct SchedulingAttributes {
    std::uint32_t size = sizeof(SchedulingAttributes);
    std::uint32_t policy = 0;
    std::uint64_t flags = 0;
    std::int32_t nice = 0;
    std::uint32_t priority = 0;
    std::uint64_t runtime = 0; // an ordinary thread's time slice
    std::uint64_t deadline = 0;
    std::uint64_t period = 0;
};

// The short slice on this ordinary thread; 0 when the kernel has no such
// setting (it then ignores the field, so what it kept is read back).
std::uint64_t askForShortSlice()
{
    const pid_t thread = static_cast<pid_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    if (errno != 0) return 0;
    SchedulingAttributes wanted;
    wanted.policy = SCHED_OTHER;
    wanted.nice = nice;
    wanted.runtime = shortTimeSlice;
    if (::syscall(SYS_sched_setattr, thread, &wanted, 0) != 0) return 0;
    SchedulingAttributes granted;
    if (::syscall(SYS_sched_getattr, thread, &granted, sizeof granted, 0) != 0) return 0;
    return granted.policy == SCHED_OTHER && granted.runtime == shortTimeSlice ? granted.runtime : 0;
}

} // namespace

AudioThreadScheduling requestRealtimeScheduling(int priority)
{
    int policy = SCHED_OTHER;
    sched_param current{};
    if (pthread_getschedparam(pthread_self(), &policy, &current) != 0) policy = SCHED_OTHER;
    policy &= ~SCHED_RESET_ON_FORK;
    if (policy == SCHED_FIFO || policy == SCHED_RR)
        return {.realtime = true, .policy = policy, .priority = current.sched_priority};

    sched_param wanted{};
    wanted.sched_priority = std::clamp(priority, sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO));
    int error = pthread_setschedparam(pthread_self(), SCHED_FIFO, &wanted);
    // Without the privilege a user may still have a lower ceiling of their own.
    rlimit ceiling{};
    if (error == EPERM && getrlimit(RLIMIT_RTPRIO, &ceiling) == 0 && ceiling.rlim_cur != RLIM_INFINITY &&
        ceiling.rlim_cur >= 1 && static_cast<int>(ceiling.rlim_cur) < wanted.sched_priority) {
        wanted.sched_priority = static_cast<int>(ceiling.rlim_cur);
        error = pthread_setschedparam(pthread_self(), SCHED_FIFO, &wanted);
    }
    if (error != 0)
        return {.realtime = false,
                .policy = policy,
                .priority = 0,
                .raised = false,
                .refusal = error,
                .slice = policy == SCHED_OTHER ? askForShortSlice() : 0};
    return {.realtime = true, .policy = SCHED_FIFO, .priority = wanted.sched_priority, .raised = true};
}

std::string describe(const AudioThreadScheduling& scheduling)
{
    const std::string policy = policyName(scheduling.policy);
    if (scheduling.realtime)
        return std::string(scheduling.raised ? "Audio thread raised to real-time scheduling ("
                                             : "Audio thread runs with the sound system's real-time scheduling (") +
               policy + ", priority " + std::to_string(scheduling.priority) + ")";
    const std::string slice =
        scheduling.slice ? ", " + std::to_string(scheduling.slice / 1000) + " µs time slices" : std::string();
    return "Audio thread runs with ordinary scheduling (" + policy + slice + "): real-time scheduling was refused (" +
           std::strerror(scheduling.refusal) + ")";
}

} // namespace corvane
