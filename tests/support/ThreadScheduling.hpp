#pragma once

// How the threads of this process are scheduled, read from the kernel, and
// which of them carry a given name: for tests of the threads a sound server
// waits for and of the software rasteriser's.

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

struct ThreadScheduling {
    int policy = 0;
    int nice = 0;
    std::uint64_t slice = 0; // an ordinary thread's time slice, where the kernel reports one
};

inline std::optional<ThreadScheduling> threadScheduling(pid_t thread)
{
    struct {
        std::uint32_t size, policy;
        std::uint64_t flags;
        std::int32_t nice;
        std::uint32_t priority;
        std::uint64_t runtime, deadline, period;
    } attributes{};
    if (::syscall(SYS_sched_getattr, thread, &attributes, sizeof attributes, 0) != 0) return std::nullopt;
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    if (errno != 0) return std::nullopt;
    return ThreadScheduling{static_cast<int>(attributes.policy), nice, attributes.runtime};
}

inline pid_t currentThread() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

// This process's threads whose name starts with `prefix`.
inline std::vector<pid_t> threadsNamed(std::string_view prefix)
{
    std::vector<pid_t> threads;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (name.starts_with(prefix)) threads.push_back(static_cast<pid_t>(std::atoi(task.path().filename().c_str())));
    }
    return threads;
}
