#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <linux/capability.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AudioTestSupport.hpp"
#include "CorvaneAudio/output/AudioOutputStream.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/AudioThreadScheduling.hpp"
#include "StreamTestSupport.hpp"
#include "support/ThreadScheduling.hpp"

using namespace corvane;

namespace {

int currentPolicy()
{
    int policy = 0;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    return policy & ~SCHED_RESET_ON_FORK;
}

// Takes CAP_SYS_NICE from this process, as an ordinary user has it; false when it cannot.
bool dropNicePrivilege()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~(1u << CAP_SYS_NICE);
    data[0].permitted &= ~(1u << CAP_SYS_NICE);
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Log lines of the audio performance category.
std::mutex logMutex;
std::vector<std::string> logLines;
QtMessageHandler previousHandler = nullptr;
void captureLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.category && std::string(context.category) == "com.corvane.linux.AudioPerformance") {
        std::lock_guard lock(logMutex);
        logLines.push_back((type == QtDebugMsg ? "debug: " : "info: ") + message.toStdString());
        return;
    }
    previousHandler(type, context, message);
}

} // namespace

TEST(AudioThreadScheduling, AsksOnceAndReportsWhatTheThreadGot)
{
    AudioThreadScheduling first, second;
    int policyAfter = -1;
    std::thread([&] {
        first = requestRealtimeScheduling();
        policyAfter = currentPolicy();
        second = requestRealtimeScheduling();
    }).join();
    if (first.realtime) {
        EXPECT_TRUE(first.raised);
        EXPECT_EQ(first.policy, SCHED_FIFO);
        EXPECT_EQ(first.priority, audioThreadPriority);
        EXPECT_EQ(policyAfter, SCHED_FIFO);
        EXPECT_EQ(first.refusal, 0);
        // Already real-time: left as it is, and not counted as raised again.
        EXPECT_TRUE(second.realtime);
        EXPECT_FALSE(second.raised);
        EXPECT_EQ(second.priority, audioThreadPriority);
        EXPECT_EQ(describe(first), "Audio thread raised to real-time scheduling (SCHED_FIFO, priority 10)");
        EXPECT_EQ(describe(second),
                  "Audio thread runs with the sound system's real-time scheduling (SCHED_FIFO, priority 10)");
    } else {
        EXPECT_EQ(first.refusal, EPERM);
        EXPECT_EQ(policyAfter, SCHED_OTHER);
    }

    // Without the privilege and with no real-time allowance the thread stays
    // ordinary, with the short time slice where the kernel has such a setting,
    // and as nice as the user made it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit none{0, 0};
        if (!dropNicePrivilege() || ::setrlimit(RLIMIT_RTPRIO, &none) != 0 ||
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(currentThread()), 3) != 0)
            ::_exit(2);
        const auto refused = requestRealtimeScheduling();
        const auto state = threadScheduling(currentThread());
        const bool ok =
            !refused.realtime && !refused.raised && refused.refusal == EPERM && refused.policy == SCHED_OTHER &&
            state && state->policy == SCHED_OTHER && state->nice == 3 &&
            (refused.slice == 0 || (refused.slice == shortTimeSlice && state->slice == shortTimeSlice)) &&
            describe(refused) == std::string("Audio thread runs with ordinary scheduling (SCHED_OTHER") +
                                     (refused.slice ? ", 500 µs time slices" : "") +
                                     "): real-time scheduling was refused (Operation not permitted)";
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(AudioThreadScheduling, TheStreamAsksOnItsFirstCallbackAndLogsOnlyChanges)
{
    JackTestServer server; // without real time: any the thread has is this program's own request
    QLoggingCategory::setFilterRules(QStringLiteral("com.corvane.linux.AudioPerformance.debug=true"));
    previousHandler = qInstallMessageHandler(captureLog);
    {
        SilentInstrument instrument;
        InstrumentStream output(instrument, "Brelmo Scheduling");
        auto& stream = output.stream;
        ASSERT_TRUE(stream);
        EXPECT_FALSE(stream->scheduling()); // nothing ran yet
        stream->start();
        ASSERT_TRUE(processEventsUntil([&] {
            std::lock_guard lock(logMutex);
            return !logLines.empty();
        }));
        const auto scheduling = stream->scheduling();
        ASSERT_TRUE(scheduling);
        EXPECT_EQ(scheduling->realtime, scheduling->raised);
        // Named, so that a profile tells it apart.
        const auto named = threadsNamed("brelmo-audio");
        ASSERT_EQ(named.size(), 1u);
        const auto state = threadScheduling(named[0]);
        ASSERT_TRUE(state);
        EXPECT_EQ(state->policy, scheduling->policy);
        {
            std::lock_guard lock(logMutex);
            ASSERT_EQ(logLines.size(), 1u);
            EXPECT_EQ(logLines[0], (scheduling->realtime ? "debug: " : "info: ") + describe(*scheduling));
        }

        // Started again on the same terms: nothing new to say.
        stream->stop();
        stream->start();
        ASSERT_TRUE(processEventsUntil([&] { return stream->scheduling().has_value(); }));
        processEventsFor(std::chrono::milliseconds(300));
        std::lock_guard lock(logMutex);
        EXPECT_EQ(logLines.size(), 1u);
    }
    qInstallMessageHandler(previousHandler);
    QLoggingCategory::setFilterRules(QString());
}
