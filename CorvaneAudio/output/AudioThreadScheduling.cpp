#include "CorvaneAudio/output/AudioThreadScheduling.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

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
    if (error != 0) return {.realtime = false, .policy = policy, .priority = 0, .raised = false, .refusal = error};
    return {.realtime = true, .policy = SCHED_FIFO, .priority = wanted.sched_priority, .raised = true};
}

std::string describe(const AudioThreadScheduling& scheduling)
{
    const std::string policy = policyName(scheduling.policy);
    if (scheduling.realtime)
        return std::string(scheduling.raised ? "Audio thread raised to real-time scheduling ("
                                             : "Audio thread runs with the sound system's real-time scheduling (") +
               policy + ", priority " + std::to_string(scheduling.priority) + ")";
    return "Audio thread runs with ordinary scheduling (" + policy + "): real-time scheduling was refused (" +
           std::strerror(scheduling.refusal) + ")";
}

} // namespace corvane
