#pragma once

#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"

#include <QObject>

#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace corvane {

class DefaultsStore;

// Decodes the practice stores' records on a thread of its own and hands
// them to the stores (made with RecordsArriveLater) on the main thread, one
// store per queued call, in the order the application needs them: the
// track settings, the session and history, then the saved loops. Each
// hand-over only moves what was decoded and replays the few changes made
// before it, so that none holds the main thread for long.
class PracticeRecordsLoader : public QObject {
    Q_OBJECT
public:
    PracticeRecordsLoader(DefaultsStore& defaults, std::int64_t maximumHistoryCount, PracticeProgressStore& progress,
                          PracticeLoopStore& loops, PracticeTrackStore& tracks, QObject* parent = nullptr);
    // Waits for the decoding thread; what it decoded and was not handed over is dropped.
    ~PracticeRecordsLoader() override;

    void start();
    // Waits for the decoding and hands over at once what has not arrived:
    // before the application's last save, so that nothing waits in vain.
    void finishNow();
    bool isFinished() const { return isFinished_; }

signals:
    // After a store took in its records.
    void recordsArrived();
    // After the last store did.
    void finished();

private:
    void handOver();

    DefaultsStore& defaults_;
    std::int64_t maximumHistoryCount_;
    PracticeProgressStore& progress_;
    PracticeLoopStore& loops_;
    PracticeTrackStore& tracks_;
    std::thread decoder_;
    bool isFinished_ = false;

    // Filled by the decoding thread, emptied by the hand-overs.
    std::mutex mutex_;
    std::optional<SongKeyedRecords<PracticeTrackSetting>> decodedTracks_;
    std::optional<PracticeProgressStore::Records> decodedProgress_;
    std::optional<PracticeLoopStore::Records> decodedLoops_;
};

} // namespace corvane
