#include "CorvaneRendering/SoftwareRendering.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

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

namespace {
bool lowerThread(pid_t thread)
{
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    if (errno != 0) return false; // gone meanwhile
    const int policy = ::sched_getscheduler(thread);
    if (nice < softwareRasterizerNiceness &&
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), softwareRasterizerNiceness) != 0)
        return false;
    // The niceness is kept across the change of policy; an idle thread stays so.
    const sched_param none{};
    return policy == SCHED_BATCH || policy == SCHED_IDLE || ::sched_setscheduler(thread, SCHED_BATCH, &none) == 0;
}
} // namespace

bool lowerThisThreadBelowSound() { return lowerThread(static_cast<pid_t>(::syscall(SYS_gettid))); }

int lowerSoftwareRasterizerThreads()
{
    int lowered = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (!name.starts_with(softwareRasterizerThreadPrefix)) continue;
        const pid_t thread = static_cast<pid_t>(std::atoi(task.path().filename().c_str()));
        if (!lowerThread(thread)) continue;
        ++lowered;
    }
    return lowered;
}

} // namespace corvane
