#include "CorvaneLibrary/PracticeRecordsLoader.hpp"

#include "CorvaneLibrary/DefaultsStore.hpp"

namespace corvane {

PracticeRecordsLoader::PracticeRecordsLoader(DefaultsStore& defaults, std::int64_t maximumHistoryCount,
                                             PracticeProgressStore& progress, PracticeLoopStore& loops,
                                             PracticeTrackStore& tracks, QObject* parent)
    : QObject(parent), defaults_(defaults), maximumHistoryCount_(maximumHistoryCount), progress_(progress),
      loops_(loops), tracks_(tracks)
{
}

PracticeRecordsLoader::~PracticeRecordsLoader()
{
    if (decoder_.joinable()) decoder_.join();
}

void PracticeRecordsLoader::start()
{
    if (decoder_.joinable() || isFinished_) return;
    decoder_ = std::thread([this] {
        // Each store's records go over as soon as they are decoded; a queued
        // call to this object is dropped if it is destroyed first.
        const auto deliver = [this](auto& slot, auto records) {
            {
                std::lock_guard lock(mutex_);
                slot = std::move(records);
            }
            QMetaObject::invokeMethod(this, [this] { handOver(); }, Qt::QueuedConnection);
        };
        deliver(decodedTracks_, PracticeTrackStore::read(defaults_));
        deliver(decodedProgress_, PracticeProgressStore::read(defaults_, maximumHistoryCount_));
        deliver(decodedLoops_, PracticeLoopStore::read(defaults_));
    });
}

void PracticeRecordsLoader::handOver()
{
    if (isFinished_) return;
    // One store per call: the next waits for the next turn of the event loop.
    std::optional<SongKeyedRecords<PracticeTrackSetting>> tracks;
    std::optional<PracticeProgressStore::Records> progress;
    std::optional<PracticeLoopStore::Records> loops;
    {
        std::lock_guard lock(mutex_);
        if (!tracks_.hasRecords() && decodedTracks_) tracks.swap(decodedTracks_);
        else if (!progress_.hasRecords() && decodedProgress_) progress.swap(decodedProgress_);
        else if (!loops_.hasRecords() && decodedLoops_) loops.swap(decodedLoops_);
    }
    if (tracks) tracks_.adopt(std::move(*tracks));
    else if (progress) progress_.adopt(std::move(*progress));
    else if (loops) loops_.adopt(std::move(*loops));
    else return;
    // What is left of the records (an empty husk) is freed here; the decoded
    // containers themselves were moved, not copied.
    emit recordsArrived();
    if (tracks_.hasRecords() && progress_.hasRecords() && loops_.hasRecords()) {
        isFinished_ = true;
        emit finished();
    }
}

void PracticeRecordsLoader::finishNow()
{
    if (isFinished_) return;
    start();
    decoder_.join();
    while (!isFinished_) handOver();
}

} // namespace corvane
