// The LV2 worker on its own, with a plugin made here: requests done off the
// audio side, responses handed back in order at the next delivery, a flood
// refused rather than waited for, and nothing done after the worker stops.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

#include "CorvaneAudio/instruments/LV2MessageRing.hpp"
#include "CorvaneAudio/instruments/LV2Worker.hpp"

using namespace corvane;
using namespace std::chrono_literals;

namespace {

// A plugin's worker side: `work` echoes each request back (optionally waiting
// for the test first); the audio side records what reaches it.
struct FakePlugin {
    std::binary_semaphore gate{1}; // taken by `work` for each request; the test may hold it
    bool gated = false;
    std::atomic<int> entered{0};
    std::atomic<int> worked{0};
    std::atomic<bool> alive{true};
    std::atomic<bool> workAfterFree{false};
    int respondFailures = 0;
    int repliesPerRequest = 1;
    std::vector<std::uint32_t> responses; // the audio side's log: values, and 0 for each end_run
    LV2_Worker_Interface interface{};

    FakePlugin()
    {
        interface.work = [](LV2_Handle handle, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle reply,
                            std::uint32_t size, const void* data) {
            auto* self = static_cast<FakePlugin*>(handle);
            ++self->entered;
            if (self->gated) self->gate.acquire();
            if (!self->alive) self->workAfterFree = true;
            for (int i = 0; i < self->repliesPerRequest; ++i)
                if (respond(reply, size, data) != LV2_WORKER_SUCCESS) ++self->respondFailures;
            if (self->gated) self->gate.release();
            ++self->worked;
            return LV2_WORKER_SUCCESS;
        };
        interface.work_response = [](LV2_Handle handle, std::uint32_t size, const void* body) {
            std::uint32_t value = 0;
            if (size == sizeof value) std::memcpy(&value, body, sizeof value);
            static_cast<FakePlugin*>(handle)->responses.push_back(value);
            return LV2_WORKER_SUCCESS;
        };
        interface.end_run = [](LV2_Handle handle) {
            static_cast<FakePlugin*>(handle)->responses.push_back(0);
            return LV2_WORKER_SUCCESS;
        };
    }
};

LV2_Worker_Status schedule(LV2Worker& worker, std::uint32_t value)
{
    const auto* feature = static_cast<const LV2_Worker_Schedule*>(worker.feature()->data);
    return feature->schedule_work(feature->handle, sizeof value, &value);
}

// Delivers until `count` responses have arrived (the worker runs on its own).
void deliverUntil(LV2Worker& worker, FakePlugin& plugin, std::size_t count)
{
    for (int attempt = 0; attempt < 5000; ++attempt) {
        worker.deliverResponses();
        std::size_t values = 0;
        for (auto value : plugin.responses) values += value != 0;
        if (values >= count) return;
        std::this_thread::sleep_for(1ms);
    }
}

TEST(LV2MessageRing, MessagesComeOutWholeInOrderAcrossTheWrapAndOnlyWhenTheyFit)
{
    LV2MessageRing ring(64);
    std::uint8_t out[64];
    for (std::uint32_t round = 0; round < 50; ++round) {
        const std::uint32_t message[3] = {round, round * 7, round * 13};
        ASSERT_TRUE(ring.write(sizeof message, message));
        std::uint32_t size = 0;
        ASSERT_TRUE(ring.peek(size));
        ASSERT_EQ(size, sizeof message);
        ASSERT_TRUE(ring.read(out, sizeof out));
        EXPECT_EQ(std::memcmp(out, message, sizeof message), 0) << round;
    }
    // Full: a message that does not fit is refused whole, and the ring stays readable.
    const std::uint8_t block[28] = {1};
    EXPECT_TRUE(ring.write(sizeof block, block));
    EXPECT_TRUE(ring.write(sizeof block, block));
    EXPECT_FALSE(ring.write(sizeof block, block));
    EXPECT_FALSE(ring.write(1000, block));
    EXPECT_TRUE(ring.read(out, sizeof out));
    EXPECT_TRUE(ring.read(out, sizeof out));
    EXPECT_FALSE(ring.read(out, sizeof out));
    EXPECT_FALSE(ring.write(4, nullptr));
}

TEST(LV2Worker, ResponsesReachTheAudioSideInOrderThenEndRun)
{
    FakePlugin plugin;
    LV2Worker worker;
    EXPECT_STREQ(worker.feature()->URI, LV2_WORKER__schedule);
    // Before it starts (and for a plugin without the interface) requests are refused.
    EXPECT_EQ(schedule(worker, 1), LV2_WORKER_ERR_UNKNOWN);
    worker.start(&plugin, &plugin.interface);
    for (std::uint32_t value = 1; value <= 5; ++value) ASSERT_EQ(schedule(worker, value), LV2_WORKER_SUCCESS);
    deliverUntil(worker, plugin, 5);
    std::vector<std::uint32_t> values;
    for (auto value : plugin.responses)
        if (value != 0) values.push_back(value);
    EXPECT_EQ(values, (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    // Every delivery ends with end_run, after that delivery's responses.
    ASSERT_FALSE(plugin.responses.empty());
    EXPECT_EQ(plugin.responses.back(), 0u);
    plugin.responses.clear();
    worker.deliverResponses();
    EXPECT_EQ(plugin.responses, (std::vector<std::uint32_t>{0}));

    LV2Worker idle;
    LV2_Worker_Interface none{};
    idle.start(&plugin, &none);
    EXPECT_EQ(schedule(idle, 1), LV2_WORKER_ERR_UNKNOWN);
}

TEST(LV2Worker, AFloodIsRefusedWithNoSpaceWhileTheWorkerIsBusyAndEveryAcceptedRequestIsAnswered)
{
    FakePlugin plugin;
    plugin.gated = true;
    LV2Worker worker(1024);
    worker.start(&plugin, &plugin.interface);
    // The worker is held inside its first request; the audio side floods on.
    plugin.gate.acquire();
    int accepted = 0, refused = 0;
    for (std::uint32_t value = 1; value <= 10000; ++value) {
        const auto status = schedule(worker, value);
        ASSERT_TRUE(status == LV2_WORKER_SUCCESS || status == LV2_WORKER_ERR_NO_SPACE);
        (status == LV2_WORKER_SUCCESS ? accepted : refused) += 1;
    }
    // The loop above returned while the worker could not move: nothing waited.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 200); // what 1 KiB holds, plus the one being worked on
    EXPECT_EQ(refused, 10000 - accepted);
    EXPECT_EQ(worker.refusedRequests(), static_cast<std::uint64_t>(refused));

    // Every accepted request is worked; each answer arrives, or the worker
    // was told there was no room for it.
    plugin.gate.release();
    for (int attempt = 0; attempt < 5000 && plugin.worked < accepted; ++attempt) {
        worker.deliverResponses();
        std::this_thread::sleep_for(1ms);
    }
    worker.deliverResponses();
    EXPECT_EQ(plugin.worked, accepted);
    std::size_t values = 0;
    for (auto value : plugin.responses) values += value != 0;
    EXPECT_EQ(values + plugin.respondFailures, static_cast<std::size_t>(accepted));
}

TEST(LV2Worker, ResponsesThatDoNotFitAreRefusedToTheWorker)
{
    FakePlugin plugin;
    plugin.repliesPerRequest = 100; // 800 bytes of answers to one 8-byte request
    LV2Worker worker(256);
    worker.start(&plugin, &plugin.interface);
    ASSERT_EQ(schedule(worker, 9), LV2_WORKER_SUCCESS);
    for (int attempt = 0; attempt < 5000 && plugin.worked == 0; ++attempt) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(plugin.worked, 1);
    EXPECT_GT(plugin.respondFailures, 0);
    worker.deliverResponses();
    EXPECT_EQ(plugin.responses.size(), 100u - plugin.respondFailures + 1);
}

TEST(LV2Worker, StoppingLetsTheWorkUnderWayFinishAndDropsWhatIsPending)
{
    FakePlugin plugin;
    plugin.gated = true;
    LV2Worker worker;
    worker.start(&plugin, &plugin.interface);
    plugin.gate.acquire();
    for (std::uint32_t value = 1; value <= 4; ++value) ASSERT_EQ(schedule(worker, value), LV2_WORKER_SUCCESS);
    while (plugin.entered == 0) std::this_thread::yield();

    std::atomic<bool> stopping{false}, stopped{false};
    std::thread stopper([&] {
        stopping = true;
        worker.stop();
        stopped = true;
    });
    while (!stopping) std::this_thread::yield();
    std::this_thread::sleep_for(20ms); // into stop(), waiting for the work under way
    EXPECT_FALSE(stopped);
    plugin.gate.release();
    stopper.join();
    // The plugin may be freed now: nothing touches it any more.
    plugin.alive = false;
    worker.deliverResponses();
    EXPECT_TRUE(plugin.responses.empty());
    EXPECT_EQ(schedule(worker, 5), LV2_WORKER_ERR_UNKNOWN);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(plugin.worked, 1);
    EXPECT_FALSE(plugin.workAfterFree);
}

} // namespace
