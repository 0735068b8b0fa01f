#include "CorvaneRendering/SoftwareRendering.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane {

namespace {

bool containsIgnoringCase(std::string_view text, std::string_view word)
{
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), word.begin(), word.end(), sameLetter) != text.end();
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

// SCHED_BATCH at `nice` with the long slice; kernels before 6.12 ignore the
// slice, and one without sched_setattr gets the policy alone.
bool lowerThread(pid_t thread, int nice)
{
    SchedulingAttributes wanted;
    wanted.policy = SCHED_BATCH;
    wanted.nice = nice;
    wanted.runtime = softwareRasterizerSlice;
    if (::syscall(SYS_sched_setattr, thread, &wanted, 0) == 0) return true;
    if (errno != ENOSYS) return false;
    const sched_param none{};
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice) == 0 &&
           ::sched_setscheduler(thread, SCHED_BATCH, &none) == 0;
}

} // namespace

bool isSoftwareRenderer(std::string_view rendererName)
{
    for (const std::string_view name : {"llvmpipe", "softpipe", "software rasterizer"})
        if (containsIgnoringCase(rendererName, name)) return true;
    return false;
}

int softwareRasterizerThreads(unsigned cores) { return cores >= 4 ? 2 : 1; }

std::string capSoftwareRasterizerThreads(unsigned cores)
{
    // Mesa takes an empty value for its default (one thread per core), so an
    // empty value is no choice of the user's.
    if (const char* set = std::getenv(softwareRasterizerThreadsVariable); set && *set) return set;
    const std::string value = std::to_string(softwareRasterizerThreads(cores));
    ::setenv(softwareRasterizerThreadsVariable, value.c_str(), 1);
    return value;
}

std::string capSoftwareRasterizerThreads()
{
    return capSoftwareRasterizerThreads(std::max(1u, std::thread::hardware_concurrency()));
}

std::vector<int> softwareRasterizerCores(const std::vector<int>& allowed, int threads)
{
    if (threads < 1 || allowed.size() < static_cast<std::size_t>(threads) + 2) return {};
    return {allowed.end() - threads, allowed.end()};
}

bool lowerThisThreadBelowSound()
{
    const auto thread = static_cast<pid_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    return errno == 0 && lowerThread(thread, std::max(nice, softwareRasterizerNiceness));
}

int lowerSoftwareRasterizerThreads()
{
    // The thread that draws the stage on its own hands the rasteriser its work
    // and waits: it keeps to the rasteriser's cores too, without one of its own.
    std::vector<pid_t> rasterisers, drawing, others;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        const auto thread = static_cast<pid_t>(std::atoi(task.path().filename().c_str()));
        if (name.starts_with(softwareRasterizerThreadPrefix)) rasterisers.push_back(thread);
        else if (name.starts_with(stageDrawingThreadName)) drawing.push_back(thread);
        else others.push_back(thread);
    }

    // As at the first call: the threads are kept from some of them afterwards.
    static const cpu_set_t allowedSet = [] {
        cpu_set_t set;
        CPU_ZERO(&set);
        ::sched_getaffinity(0, sizeof set, &set);
        return set;
    }();
    std::vector<int> allowed;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &allowedSet)) allowed.push_back(cpu);
    cpu_set_t confined;
    CPU_ZERO(&confined);
    const auto cores = softwareRasterizerCores(allowed, static_cast<int>(rasterisers.size()));
    for (const int cpu : cores) CPU_SET(cpu, &confined);
    // The program's other threads, and those they start later, keep to the
    // other cores: a thread is woken where it last ran, and a real-time one
    // is not moved to an idle core when a rasteriser thread runs there.
    if (!cores.empty()) {
        cpu_set_t rest = allowedSet;
        for (const int cpu : cores) CPU_CLR(cpu, &rest);
        for (const pid_t thread : others) ::sched_setaffinity(thread, sizeof rest, &rest);
    }

    for (const pid_t thread : drawing)
        if (!cores.empty()) ::sched_setaffinity(thread, sizeof confined, &confined);
    int lowered = 0;
    for (const pid_t thread : rasterisers) {
        errno = 0;
        const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
        if (errno != 0) continue; // gone meanwhile
        if (!cores.empty()) ::sched_setaffinity(thread, sizeof confined, &confined);
        // An idle thread stays so; a nicer one keeps its niceness.
        if (::sched_getscheduler(thread) == SCHED_IDLE) {
            ++lowered;
            continue;
        }
        if (lowerThread(thread, std::max(nice, softwareRasterizerNiceness))) ++lowered;
    }
    return lowered;
}

} // namespace corvane
