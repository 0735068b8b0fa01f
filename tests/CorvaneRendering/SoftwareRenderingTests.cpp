#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iterator>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include "CorvaneRendering/SoftwareRendering.hpp"
#include "support/ThreadScheduling.hpp"

using namespace corvane;

TEST(SoftwareRendering, KnowsMesasSoftwareRasterisersByName)
{
    EXPECT_TRUE(isSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(isSoftwareRenderer("softpipe"));
    EXPECT_TRUE(isSoftwareRenderer("Software Rasterizer"));
    EXPECT_TRUE(isSoftwareRenderer("zink (llvmpipe (LLVM 15.0.6, 256 bits))"));
    EXPECT_TRUE(isSoftwareRenderer("LLVMPIPE"));
    // A graphics card whose driver is built with LLVM is no software renderer.
    EXPECT_FALSE(isSoftwareRenderer("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)"));
    EXPECT_FALSE(isSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(isSoftwareRenderer("NVIDIA GeForce GTX 1060/PCIe/SSE2"));
    EXPECT_FALSE(isSoftwareRenderer(""));
}

TEST(SoftwareRendering, CapsTheRasteriserThreadsUnlessTheUserChose)
{
    EXPECT_EQ(softwareRasterizerThreads(1), 1);
    EXPECT_EQ(softwareRasterizerThreads(2), 1);
    EXPECT_EQ(softwareRasterizerThreads(3), 1);
    EXPECT_EQ(softwareRasterizerThreads(4), 2);
    EXPECT_EQ(softwareRasterizerThreads(8), 2);
    EXPECT_EQ(softwareRasterizerThreads(64), 2);

    // The variable is the process's own: whatever it held is put back.
    const char* held = std::getenv(softwareRasterizerThreadsVariable);
    const std::optional<std::string> saved = held ? std::optional<std::string>(held) : std::nullopt;
    const auto value = [] {
        const char* v = std::getenv(softwareRasterizerThreadsVariable);
        return v ? std::string(v) : std::string("<unset>");
    };

    ::unsetenv(softwareRasterizerThreadsVariable);
    EXPECT_EQ(capSoftwareRasterizerThreads(8), "2");
    EXPECT_EQ(value(), "2");
    EXPECT_EQ(capSoftwareRasterizerThreads(2), "2"); // set now, so kept
    EXPECT_EQ(value(), "2");

    ::setenv(softwareRasterizerThreadsVariable, "7", 1);
    EXPECT_EQ(capSoftwareRasterizerThreads(8), "7");
    EXPECT_EQ(value(), "7");
    ::setenv(softwareRasterizerThreadsVariable, "0", 1); // the user's "no threads" is a choice too
    EXPECT_EQ(capSoftwareRasterizerThreads(8), "0");
    EXPECT_EQ(value(), "0");

    // Empty means Mesa's default to Mesa, so it is no choice.
    ::setenv(softwareRasterizerThreadsVariable, "", 1);
    EXPECT_EQ(capSoftwareRasterizerThreads(3), "1");
    EXPECT_EQ(value(), "1");

    if (saved) ::setenv(softwareRasterizerThreadsVariable, saved->c_str(), 1);
    else ::unsetenv(softwareRasterizerThreadsVariable);
}

TEST(SoftwareRendering, KeepsTheRasteriserToTheLastCoresWhereTwoOthersRemain)
{
    EXPECT_EQ(softwareRasterizerCores({0, 1, 2, 3, 4, 5, 6, 7}, 2), (std::vector<int>{6, 7}));
    EXPECT_EQ(softwareRasterizerCores({0, 1, 2, 3}, 2), (std::vector<int>{2, 3}));
    EXPECT_EQ(softwareRasterizerCores({1, 4, 5}, 1), (std::vector<int>{5})); // the cores this process may use
    EXPECT_TRUE(softwareRasterizerCores({0, 1, 2}, 2).empty());
    EXPECT_TRUE(softwareRasterizerCores({0, 1}, 1).empty());
    EXPECT_TRUE(softwareRasterizerCores({0, 1, 2, 3, 4, 5, 6, 7}, 8).empty()); // the driver's default
    EXPECT_TRUE(softwareRasterizerCores({0, 1, 2, 3}, 0).empty());
}

TEST(SoftwareRendering, PutsOnlyTheRasteriserThreadsBelowTheOthers)
{
    // Stand-ins for llvmpipe's threads, one the user already made nicer than
    // the stage would, and a thread of another name.
    std::atomic<bool> done = false;
    std::atomic<int> started = 0;
    std::atomic<pid_t> plain = 0, nicer = 0, other = 0;
    const auto before = threadScheduling(currentThread()); // what new threads inherit
    ASSERT_TRUE(before);
    const auto spawn = [&](const char* name, std::atomic<pid_t>& id, int nice) {
        return std::thread([&, name, nice] {
            pthread_setname_np(pthread_self(), name);
            if (nice > 0) ::setpriority(PRIO_PROCESS, static_cast<id_t>(currentThread()), nice);
            id = currentThread();
            ++started;
            while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    };
    std::thread threads[] = {spawn("llvmpipe-7", plain, 0), spawn("llvmpipe-8", nicer, 15),
                             spawn("compositor", other, 0)};
    while (started < 3) std::this_thread::yield();

    // Kept to as many last cores as there are rasteriser threads (earlier tests'
    // contexts may have left real ones) where two others remain; the other threads on the other cores.
    const auto cores = [](pid_t thread) {
        cpu_set_t set;
        CPU_ZERO(&set);
        std::vector<int> list;
        if (::sched_getaffinity(thread, sizeof set, &set) == 0)
            for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
                if (CPU_ISSET(cpu, &set)) list.push_back(cpu);
        return list;
    };
    // Every core any thread may use: an earlier test's stage may have kept some threads from some.
    std::vector<int> allowed;
    for (const pid_t thread : threadsNamed(""))
        for (const int cpu : cores(thread))
            if (std::find(allowed.begin(), allowed.end(), cpu) == allowed.end()) allowed.push_back(cpu);
    std::sort(allowed.begin(), allowed.end());

    EXPECT_GE(lowerSoftwareRasterizerThreads(), 2);
    const auto plainState = threadScheduling(plain), nicerState = threadScheduling(nicer),
               otherState = threadScheduling(other), mainState = threadScheduling(currentThread());
    ASSERT_TRUE(plainState && nicerState && otherState && mainState);
    EXPECT_EQ(plainState->policy, SCHED_BATCH);
    EXPECT_EQ(plainState->nice, std::max(before->nice, softwareRasterizerNiceness));
    EXPECT_EQ(nicerState->policy, SCHED_BATCH);
    EXPECT_EQ(nicerState->nice, std::max(before->nice, 15)); // never made less nice than it was
    // The long slice, on kernels that report one (0 before 6.12).
    EXPECT_TRUE(plainState->slice == softwareRasterizerSlice || plainState->slice == 0) << plainState->slice;
    EXPECT_TRUE(nicerState->slice == softwareRasterizerSlice || nicerState->slice == 0) << nicerState->slice;
    EXPECT_EQ(otherState->policy, before->policy);
    EXPECT_EQ(otherState->nice, before->nice);
    EXPECT_EQ(otherState->slice, before->slice);
    const auto kept =
        softwareRasterizerCores(allowed, static_cast<int>(threadsNamed(softwareRasterizerThreadPrefix).size()));
    EXPECT_EQ(cores(plain), kept.empty() ? allowed : kept);
    EXPECT_EQ(cores(nicer), kept.empty() ? allowed : kept);
    std::vector<int> rest;
    std::copy_if(allowed.begin(), allowed.end(), std::back_inserter(rest),
                 [&](int cpu) { return std::find(kept.begin(), kept.end(), cpu) == kept.end(); });
    EXPECT_EQ(cores(other), rest);
    EXPECT_EQ(cores(currentThread()), rest);
    EXPECT_EQ(mainState->policy, before->policy);
    EXPECT_EQ(mainState->nice, before->nice);

    // Again: nothing changes, and the threads are still counted.
    EXPECT_GE(lowerSoftwareRasterizerThreads(), 2);
    EXPECT_EQ(threadScheduling(plain)->nice, std::max(before->nice, softwareRasterizerNiceness));
    EXPECT_EQ(cores(plain), kept.empty() ? allowed : kept); // not narrowed again
    EXPECT_EQ(cores(other), rest);

    done = true;
    for (auto& thread : threads) thread.join();
    cpu_set_t everywhere;
    CPU_ZERO(&everywhere);
    for (const int cpu : allowed) CPU_SET(cpu, &everywhere);
    ::sched_setaffinity(0, sizeof everywhere, &everywhere); // for the tests after this one
}
