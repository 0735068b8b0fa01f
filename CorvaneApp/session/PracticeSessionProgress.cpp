#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include "CorvaneApp/session/CountInRun.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"

namespace corvane {

bool PracticeSessionStore::isSaveDue(Date now, Date lastSave)
{
    // A wall clock set back must not hold saving off until it catches up.
    const double elapsed = now.timeIntervalSince(lastSave);
    return elapsed >= progressSaveIntervalSeconds || elapsed < 0;
}

PracticeSessionStore::SavedSessionState PracticeSessionStore::sessionState(Date date) const
{
    return SavedSessionState{progressCoordinator_.historyEntryID,
                             playbackPositionSeconds_,
                             playbackRate_,
                             loopRange_,
                             practiceMode_,
                             practiceHand_,
                             inputLatencyMilliseconds_,
                             visualPreset_.clamped(),
                             progressCoordinator_.accumulator.snapshot(date)};
}

void PracticeSessionStore::persistProgress(bool pausing)
{
    if (!progressCoordinator_.historyEntryID) return;
    const Date date = now();
    if (pausing) {
        pauseAccumulators(date);
        persistLoopProgress(date);
    }
    const auto& c = progressCoordinator_;
    if (c.songTitle && c.songReference && c.startedAt) {
        const SavedSessionState state = sessionState(date);
        c.store.saveCurrentSession(PersistedPracticeSession(*c.historyEntryID, *c.songTitle, *c.songReference,
                                                            *c.startedAt, date, state.positionSeconds,
                                                            state.playbackRate, state.loopRange, state.practiceMode,
                                                            state.practiceHand, state.inputLatencyMilliseconds,
                                                            state.visualPreset, state.metrics));
        c.store.upsertHistory(PracticeHistoryEntry(*c.historyEntryID, *c.songTitle, *c.songReference, *c.startedAt,
                                                   date, state.positionSeconds, state.metrics));
        lastSavedState_ = state;
    }
    lastProgressPersistenceDate_ = date;
    bumpProgressRevision();
}

void PracticeSessionStore::persistProgressIfChanged()
{
    // While nothing moves (paused, no metrics running) the periodic save
    // would write the same session again; only its date would differ.
    const Date date = now();
    if (lastSavedState_ && *lastSavedState_ == sessionState(date)) {
        lastProgressPersistenceDate_ = date;
        return;
    }
    persistProgress(false);
}

void PracticeSessionStore::persistLoopProgress(Date date)
{
    if (!activeLoopBookmarkID_ || !loopAccumulator_ || !currentSongReference_) return;
    loopStore_.updateProgress(*activeLoopBookmarkID_, loopAccumulator_->snapshot(date), loopRepetitions_, date,
                              currentSongReference_->stableID());
    lastLoopPersistenceDate_ = date;
    lastSavedLoop_ = SavedLoopState{activeLoopBookmarkID_, loopAccumulator_->snapshot(date), loopRepetitions_};
    bumpProgressRevision();
}

void PracticeSessionStore::persistLoopProgressIfChanged(Date date)
{
    // Paused in a saved loop, nothing moves but the date; the loop store
    // rewrites every song's loops on a save, so an idle one is skipped.
    if (loopAccumulator_ && lastSavedLoop_ &&
        *lastSavedLoop_ == SavedLoopState{activeLoopBookmarkID_, loopAccumulator_->snapshot(date), loopRepetitions_}) {
        lastLoopPersistenceDate_ = date;
        return;
    }
    persistLoopProgress(date);
}

void PracticeSessionStore::flushProgress()
{
    cancelCountIn();
    if (audioEngine_) audioEngine_->persistActiveInstrumentState();
    const Date date = now();
    if (!isPlaying_) pauseAccumulators(date);
    // Also while playing: the last seconds of the active loop are kept.
    persistLoopProgress(date);
    persistProgress(false);
}

void PracticeSessionStore::resetSessionMetrics()
{
    progressCoordinator_.accumulator = PracticeMetricsAccumulator(PracticeMetrics::zero());
    if (isPlaying_) progressCoordinator_.accumulator.resume(now());
    persistProgress(false);
    bumpProgressRevision();
}

void PracticeSessionStore::resetLoopProgress(const PracticeLoopBookmark& loop)
{
    if (!isSavedLoopOfOpenSong(loop)) return;
    lastSavedLoop_.reset();
    loopStore_.resetProgress(loop.id(), currentSongReference_->stableID());
    if (loop.id() == activeLoopBookmarkID_) {
        loopAccumulator_.emplace(PracticeMetrics::zero());
        if (isPlaying_) loopAccumulator_->resume(now());
        loopRepetitions_ = 0;
    }
    bumpProgressRevision();
}

void PracticeSessionStore::resetProgress(const PracticeSongReference& song)
{
    lastSavedLoop_.reset();
    const std::string key = song.stableID();
    progressCoordinator_.store.removeProgress(key);
    for (const auto& loop : loopStore_.bookmarks(key)) loopStore_.resetProgress(loop.id(), key);
    if (currentSong_ && currentSongReference_ && currentSongReference_->stableID() == key) {
        const Date date = now();
        progressCoordinator_.accumulator = PracticeMetricsAccumulator(PracticeMetrics::zero());
        if (isPlaying_) progressCoordinator_.accumulator.resume(date);
        // The running loop counters would write the old progress back at the next save.
        if (activeLoopBookmarkID_) {
            loopAccumulator_.emplace(PracticeMetrics::zero());
            if (isPlaying_) loopAccumulator_->resume(date);
            loopRepetitions_ = 0;
        }
        syncActiveLoopBookmark();
    }
    bumpProgressRevision();
}

void PracticeSessionStore::resetAllPracticeData()
{
    lastSavedLoop_.reset();
    activeLoopBookmarkID_.reset();
    loopAccumulator_.reset();
    loopRepetitions_ = 0;
    loopStore_.resetAllProgress();
    progressCoordinator_.store.removeAllProgress();
    lastSavedState_.reset();
    progressCoordinator_.accumulator = PracticeMetricsAccumulator(PracticeMetrics::zero());
    if (isPlaying_) progressCoordinator_.accumulator.resume(now());
    if (currentSong_) {
        persistProgress(false);
        syncActiveLoopBookmark();
    }
    bumpProgressRevision();
}

} // namespace corvane
