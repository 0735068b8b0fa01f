#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"

namespace corvane {

namespace {

double selectionGap(double duration) { return std::min(duration, 0.1); }

} // namespace

void PracticeSessionStore::setLoopSelectionStart(double seconds)
{
    const double gap = selectionGap(timelineDurationSeconds_);
    const double start = std::min(std::max(0.0, loopSelectionEndSeconds_ - gap), std::max(0.0, seconds));
    assign(loopSelectionStartSeconds_, start, &PracticeSessionStore::loopSelectionStartSecondsChanged);
}

void PracticeSessionStore::setLoopSelectionEnd(double seconds)
{
    const double duration = timelineDurationSeconds_;
    const double gap = selectionGap(duration);
    const double end = std::max(std::min(seconds, duration), std::min(loopSelectionStartSeconds_ + gap, duration));
    assign(loopSelectionEndSeconds_, end, &PracticeSessionStore::loopSelectionEndSecondsChanged);
}

void PracticeSessionStore::setLoopSelection(double startSeconds, double endSeconds)
{
    const double duration = timelineDurationSeconds_;
    const double gap = selectionGap(duration);
    const double start = std::min(std::max(0.0, duration - gap), std::max(0.0, startSeconds));
    const double end = std::min(duration, std::max(start + gap, endSeconds));
    assign(loopSelectionStartSeconds_, start, &PracticeSessionStore::loopSelectionStartSecondsChanged);
    assign(loopSelectionEndSeconds_, end, &PracticeSessionStore::loopSelectionEndSecondsChanged);
}

void PracticeSessionStore::applyLoopSelection()
{
    if (!(loopSelectionStartSeconds_ < loopSelectionEndSeconds_)) return;
    const MIDILoopRange range{loopSelectionStartSeconds_, loopSelectionEndSeconds_};
    // Dragging repeats the same range; re-applying it would only cut the
    // sounding notes and save again.
    if (loopRange_ == range) return;
    updateLoop(range);
}

std::optional<PracticeSessionStore::MeasureRange> PracticeSessionStore::loopSelectionMeasures() const
{
    if (!measureMap_) return std::nullopt;
    const MIDILoopRange range{loopSelectionStartSeconds_,
                              std::max(loopSelectionEndSeconds_, loopSelectionStartSeconds_ + 0.001)};
    const auto found = corvane::bookmark(*measureMap_, range, "");
    if (!found) return std::nullopt;
    return MeasureRange{found->startMeasure, found->endMeasure};
}

std::int64_t PracticeSessionStore::lastMeasureNumber() const
{
    for (auto marker = measureMarkers_.rbegin(); marker != measureMarkers_.rend(); ++marker)
        if (!marker->isSongEnd) return marker->measureNumber;
    return 1;
}

void PracticeSessionStore::setLoopStartMeasure(std::int64_t measure)
{
    if (!measureMap_) return;
    const auto start = measureMap_->secondsAtMeasureStart(measure);
    if (!start) return;
    double end = loopSelectionEndSeconds_;
    if (end <= *start) end = measureMap_->secondsAtMeasureStart(measure + 1).value_or(timelineDurationSeconds_);
    setLoopSelection(*start, end);
    applyLoopSelection();
}

void PracticeSessionStore::setLoopEndMeasure(std::int64_t measure)
{
    if (!measureMap_) return;
    const double end = measureMap_->secondsAtMeasureStart(measure + 1).value_or(timelineDurationSeconds_);
    double start = loopSelectionStartSeconds_;
    if (end <= start) start = measureMap_->secondsAtMeasureStart(measure).value_or(0.0);
    setLoopSelection(start, end);
    applyLoopSelection();
}

bool PracticeSessionStore::canSaveCurrentLoop() const
{
    return loopRange_ && measureMap_ && currentSongReference_;
}

std::optional<PracticeLoopBookmark> PracticeSessionStore::saveCurrentLoop(const std::string& name)
{
    if (!canSaveCurrentLoop()) return std::nullopt;
    auto created = corvane::bookmark(*measureMap_, *loopRange_, name);
    if (!created) return std::nullopt;
    const std::string song = currentSongReference_->stableID();
    const auto saved = loopStore_.bookmarks(song);
    // Saving the same bars again renames that loop and keeps its progress;
    // "Salvar atual" saves without a name, which must not erase the user's.
    for (const auto& existing : saved) {
        if (existing.startMeasure == created->startMeasure && existing.endMeasure == created->endMeasure) {
            if (!trimmedLoopName(created->name).empty()) loopStore_.rename(existing.id(), created->name, song);
            bumpProgressRevision();
            syncActiveLoopBookmark();
            for (const auto& renamed : loopStore_.bookmarks(song))
                if (renamed.id() == existing.id()) return renamed;
            return std::nullopt;
        }
    }
    // A full song would make room by evicting one of the user's loops.
    if (std::ssize(saved) >= PracticeLoopStore::applicationMaximumPerSong) return std::nullopt;
    const bool kept = loopStore_.add(*created, song);
    bumpProgressRevision();
    syncActiveLoopBookmark();
    if (!kept) return std::nullopt; // the per-song limit left it out
    return created;
}

void PracticeSessionStore::deleteLoop(const PracticeLoopBookmark& loop)
{
    if (!isSavedLoopOfOpenSong(loop)) return;
    loopStore_.remove(loop.id(), currentSongReference_->stableID());
    bumpProgressRevision();
    syncActiveLoopBookmark();
}

void PracticeSessionStore::renameLoop(const PracticeLoopBookmark& loop, const std::string& name)
{
    if (!isSavedLoopOfOpenSong(loop)) return;
    loopStore_.rename(loop.id(), trimmedLoopName(name), currentSongReference_->stableID());
    bumpProgressRevision();
}

bool PracticeSessionStore::isSavedLoopOfOpenSong(const PracticeLoopBookmark& loop) const
{
    const auto saved = savedLoops();
    return std::any_of(saved.begin(), saved.end(), [&](const auto& s) { return s.id() == loop.id(); });
}

std::vector<PracticeLoopBookmark> PracticeSessionStore::savedLoops() const
{
    if (!currentSongReference_) return {};
    return loopStore_.bookmarks(currentSongReference_->stableID());
}

void PracticeSessionStore::syncActiveLoopBookmark()
{
    std::optional<PracticeLoopBookmark> match;
    if (loopRange_ && measureMap_) {
        for (const auto& saved : savedLoops()) {
            const auto range = corvane::loopRange(*measureMap_, saved);
            if (range && std::abs(range->startSeconds - loopRange_->startSeconds) < 0.01 &&
                std::abs(range->endSeconds - loopRange_->endSeconds) < 0.01) {
                match = saved;
                break;
            }
        }
    }
    const std::optional<UUID> matchID = match ? std::optional(match->id()) : std::nullopt;
    if (matchID == activeLoopBookmarkID_) return;
    const Date date = now();
    persistLoopProgress(date);
    if (match) {
        activeLoopBookmarkID_ = match->id();
        loopRepetitions_ = match->repetitions;
        loopAccumulator_.emplace(match->metrics);
        if (isPlaying_) loopAccumulator_->resume(date);
    } else {
        activeLoopBookmarkID_.reset();
        loopRepetitions_ = 0;
        loopAccumulator_.reset();
    }
}

} // namespace corvane
