#pragma once

#include <lv2/core/lv2.h>
#include <lv2/worker/worker.h>

#include <atomic>
#include <cstdint>
#include <semaphore>
#include <thread>
#include <vector>

#include "CorvaneAudio/instruments/LV2MessageRing.hpp"

namespace corvane {

// The LV2 worker a plugin asks for with `worker:schedule`: requests the
// plugin makes in `run()` are done by `work()` on a thread of our own, and
// the responses reach `work_response()` on the audio thread at the next
// delivery, then `end_run()`. Both directions go through bounded lock-free
// queues, so the audio thread never waits: a request or response that does
// not fit is refused with LV2_WORKER_ERR_NO_SPACE.
//
// Requests are made by one thread at a time: the audio thread while the
// plugin renders, the main thread (instantiation, state restore) while it
// does not.
class LV2Worker {
public:
    static constexpr std::size_t defaultQueueBytes = 65536;

    explicit LV2Worker(std::size_t queueBytes = defaultQueueBytes);
    // Stops the thread if it still runs.
    ~LV2Worker();
    LV2Worker(const LV2Worker&) = delete;
    LV2Worker& operator=(const LV2Worker&) = delete;

    // What the plugin is given at instantiation.
    const LV2_Feature* feature() const { return &feature_; }

    // Once the plugin exists: starts the thread. A plugin without the worker
    // interface gets no thread, and its requests are refused.
    void start(LV2_Handle instance, const LV2_Worker_Interface* interface);
    // The work under way finishes; requests and responses not yet handled
    // are dropped. Afterwards nothing here touches the plugin: call it
    // before the instance is freed. Main thread, while the plugin does not render.
    void stop();

    // The plugin's request; from `run()`, never blocks.
    LV2_Worker_Status schedule(std::uint32_t size, const void* data);
    // Audio thread, after `run()`: the responses ready now go to
    // `work_response()`, then `end_run()` is called when the plugin has it.
    void deliverResponses();

    // Requests refused for lack of room so far.
    std::uint64_t refusedRequests() const { return refused_.load(std::memory_order_relaxed); }

private:
    void workLoop();
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, std::uint32_t size, const void* data);

    LV2MessageRing requests_;
    LV2MessageRing responses_;
    std::vector<std::uint8_t> workScratch_;     // the worker thread's copy of a request
    std::vector<std::uint8_t> responseScratch_; // the audio thread's copy of a response
    LV2_Handle instance_ = nullptr;
    const LV2_Worker_Interface* interface_ = nullptr;
    std::counting_semaphore<> pending_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> refused_{0};
    std::thread thread_;
    LV2_Worker_Schedule schedule_{};
    LV2_Feature feature_{};
};

} // namespace corvane
