#include "CorvaneAudio/instruments/LV2Worker.hpp"

namespace corvane {

LV2Worker::LV2Worker(std::size_t queueBytes)
    : requests_(queueBytes), responses_(queueBytes), workScratch_(requests_.capacity()),
      responseScratch_(responses_.capacity())
{
    schedule_.handle = this;
    schedule_.schedule_work = [](LV2_Worker_Schedule_Handle handle, std::uint32_t size, const void* data) {
        return static_cast<LV2Worker*>(handle)->schedule(size, data);
    };
    feature_ = {LV2_WORKER__schedule, &schedule_};
}

LV2Worker::~LV2Worker() { stop(); }

void LV2Worker::start(LV2_Handle instance, const LV2_Worker_Interface* interface)
{
    stop();
    instance_ = instance;
    interface_ = interface && interface->work && interface->work_response ? interface : nullptr;
    if (!interface_) return;
    stopping_.store(false);
    thread_ = std::thread([this] { workLoop(); });
}

void LV2Worker::stop()
{
    if (thread_.joinable()) {
        stopping_.store(true);
        pending_.release();
        thread_.join();
    }
    interface_ = nullptr;
    instance_ = nullptr;
    requests_.clear();
    responses_.clear();
}

LV2_Worker_Status LV2Worker::schedule(std::uint32_t size, const void* data)
{
    if (!interface_) return LV2_WORKER_ERR_UNKNOWN;
    if (!requests_.write(size, data)) {
        refused_.fetch_add(1, std::memory_order_relaxed);
        return LV2_WORKER_ERR_NO_SPACE;
    }
    pending_.release();
    return LV2_WORKER_SUCCESS;
}

void LV2Worker::workLoop()
{
    for (;;) {
        pending_.acquire();
        if (stopping_.load()) return;
        std::uint32_t size = 0;
        if (!requests_.peek(size) || !requests_.read(workScratch_.data(), std::uint32_t(workScratch_.size())))
            continue;
        interface_->work(instance_, &LV2Worker::respond, this, size, size ? workScratch_.data() : nullptr);
    }
}

LV2_Worker_Status LV2Worker::respond(LV2_Worker_Respond_Handle handle, std::uint32_t size, const void* data)
{
    auto* self = static_cast<LV2Worker*>(handle);
    return self->responses_.write(size, data) ? LV2_WORKER_SUCCESS : LV2_WORKER_ERR_NO_SPACE;
}

void LV2Worker::deliverResponses()
{
    if (!interface_) return;
    // Bounded: a worker answering as fast as it is read cannot hold the cycle.
    std::uint32_t size = 0;
    for (std::size_t budget = responses_.capacity(); budget > 0 && responses_.peek(size); --budget) {
        if (!responses_.read(responseScratch_.data(), std::uint32_t(responseScratch_.size()))) break;
        interface_->work_response(instance_, size, size ? responseScratch_.data() : nullptr);
    }
    if (interface_->end_run) interface_->end_run(instance_);
}

} // namespace corvane
