#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <algorithm>
#include <unordered_map>

#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"

namespace corvane {

void PracticeSessionStore::setPracticeMode(PracticeMode mode)
{
    if (mode == practiceMode_) return;
    practiceMode_ = mode;
    emit practiceModeChanged();
    assign(latestPracticeFeedback_, std::optional<PresentedPracticeFeedback>(),
           &PracticeSessionStore::latestPracticeFeedbackChanged);
    practiceEngine_.seek(playbackPositionSeconds_);
    withdrawStudentNotes();
    if (isWaitingForInput_) resumeAfterWait();
    persistProgress(false);
}

void PracticeSessionStore::setPracticeHand(PracticeHand hand)
{
    if (hand == practiceHand_) return;
    practiceHand_ = hand;
    emit practiceHandChanged();
    practiceEngine_.setHand(hand);
    practiceEngine_.seek(playbackPositionSeconds_);
    withdrawStudentNotes();
    if (isWaitingForInput_) resumeAfterWait();
    persistProgress(false);
}

// A note the song was holding may now be the student's: it would sound on
// until its note-off, which is no longer sent. Everything is stopped and what
// is still the song's is struck again.
void PracticeSessionStore::withdrawStudentNotes()
{
    stopAllPlaybackNotes();
    // Where the sound stands, which may be ahead of the published position.
    if (timeline_ && isPlaying_ && !isWaitingForInput_ && transport_ && !pendingPlaybackStart_)
        reactivateSustainedNotes(*timeline_, soundingPositionSeconds());
    resendPlaybackAhead();
}

void PracticeSessionStore::resumeAfterWait()
{
    const bool wasWaiting = isWaitingForInput_;
    clearWaitState();
    if (!wasWaiting || !isPlaying_ || !transport_) return;
    const auto clock = clockReading();
    if (!clock) {
        // Without a clock the tick would take the held transport for the end
        // of the song; it starts it once a reading is back instead.
        pendingPlaybackStart_ = true;
        return;
    }
    if (!transportStep(clock, [&] { transport_->play(*clock); })) return;
    resumeAccumulators(now());
    if (timeline_) reactivateSustainedNotes(*timeline_, playbackPositionSeconds_);
    resendPlaybackAhead();
}

void PracticeSessionStore::publishTimelineNotes(MIDINoteSpanList notes)
{
    if (notes == timelineNotes_) return;
    timelineNotes_ = std::move(notes);
    // One pass over the notes here spares every track list a pass per row;
    // a count a track (a file has at most 65,535) rather than a map lookup a note.
    colorTrackIndices_.clear();
    colorTrackNoteCounts_.clear();
    if (!timelineNotes_.empty()) {
        const auto [lowest, highest] = std::minmax_element(
            timelineNotes_.begin(), timelineNotes_.end(),
            [](const MIDINoteSpan& a, const MIDINoteSpan& b) { return a.trackIndex < b.trackIndex; });
        const std::int64_t first = lowest->trackIndex;
        std::vector<std::int64_t> counts(std::size_t(std::int64_t(highest->trackIndex) - first + 1), 0);
        for (const auto& span : timelineNotes_) ++counts[std::size_t(span.trackIndex - first)];
        for (std::size_t at = 0; at < counts.size(); ++at) {
            if (counts[at] == 0) continue;
            colorTrackIndices_.push_back(first + std::int64_t(at));
            colorTrackNoteCounts_.push_back(counts[at]);
        }
    }
    emit timelineNotesChanged();
}

std::string PracticeSessionStore::trackLabel(std::int64_t trackIndex) const
{
    if (const auto name = trackNames_.find(trackIndex); name != trackNames_.end()) return name->second;
    const auto found = std::lower_bound(colorTrackIndices_.begin(), colorTrackIndices_.end(), trackIndex);
    const bool playable = found != colorTrackIndices_.end() && *found == trackIndex;
    const std::int64_t position = playable ? found - colorTrackIndices_.begin() : trackIndex;
    return "Track " + std::to_string(position + 1);
}

std::int64_t PracticeSessionStore::trackNoteCount(std::int64_t trackIndex) const
{
    const auto found = std::lower_bound(colorTrackIndices_.begin(), colorTrackIndices_.end(), trackIndex);
    if (found == colorTrackIndices_.end() || *found != trackIndex) return 0;
    return colorTrackNoteCounts_[static_cast<std::size_t>(found - colorTrackIndices_.begin())];
}

// The settings are kept in track order (loading merges them so, and every
// change sorts them), so a track's is found by halving, as every track list,
// the tick and the sheet of a song of 65,535 tracks ask for them per track.
const PracticeTrackSetting* PracticeSessionStore::storedTrackSetting(std::int64_t trackIndex) const
{
    const auto found =
        std::lower_bound(trackSettings_.begin(), trackSettings_.end(), trackIndex,
                         [](const PracticeTrackSetting& s, std::int64_t index) { return s.trackIndex() < index; });
    return found != trackSettings_.end() && found->trackIndex() == trackIndex ? &*found : nullptr;
}

PracticeTrackSetting PracticeSessionStore::trackSetting(std::int64_t trackIndex) const
{
    if (const PracticeTrackSetting* setting = storedTrackSetting(trackIndex)) return *setting;
    return PracticeTrackSetting(trackIndex, PracticeTrackHand::automatic, false);
}

std::vector<PracticeTrackSetting> PracticeSessionStore::normalizedTrackSettings() const
{
    std::vector<PracticeTrackSetting> settings;
    settings.reserve(colorTrackIndices_.size());
    for (const auto index : colorTrackIndices_) settings.push_back(trackSetting(index));
    return settings;
}

void PracticeSessionStore::applyTrackSettings(std::vector<PracticeTrackSetting> settings)
{
    std::stable_sort(settings.begin(), settings.end(),
                     [](const auto& a, const auto& b) { return a.trackIndex() < b.trackIndex(); });
    assign(trackSettings_, std::move(settings), &PracticeSessionStore::trackSettingsChanged);
    if (currentSongReference_) trackStore_.replace(trackSettings_, currentSongReference_->stableID());
    // Muted tracks and hands decide what the song sends: sent again under the new settings.
    withdrawPlaybackSentAhead();
    refreshPracticeEngine();
    resendPlaybackAhead();
}

void PracticeSessionStore::setTrackHand(PracticeTrackHand hand, std::int64_t trackIndex)
{
    auto settings = normalizedTrackSettings();
    const auto target = std::find_if(settings.begin(), settings.end(),
                                     [&](const auto& s) { return s.trackIndex() == trackIndex; });
    if (target == settings.end()) return;
    if (hand != PracticeTrackHand::automatic)
        for (auto& setting : settings)
            if (setting.trackIndex() != trackIndex && setting.hand == hand) setting.hand = PracticeTrackHand::automatic;
    target->hand = hand;
    applyTrackSettings(std::move(settings));
    withdrawStudentNotes();
}

void PracticeSessionStore::setTrackMuted(bool muted, std::int64_t trackIndex)
{
    auto settings = normalizedTrackSettings();
    const auto target = std::find_if(settings.begin(), settings.end(),
                                     [&](const auto& s) { return s.trackIndex() == trackIndex; });
    if (target == settings.end()) return;
    target->isMuted = muted;
    applyTrackSettings(std::move(settings));
    if (muted) stopAllPlaybackNotes();
}

bool PracticeSessionStore::hasUnassignedPlayableTracks() const
{
    return std::any_of(colorTrackIndices_.begin(), colorTrackIndices_.end(),
                       [this](std::int64_t index) { return trackSetting(index).hand == PracticeTrackHand::automatic; });
}

void PracticeSessionStore::muteTracksWithoutHand()
{
    auto settings = normalizedTrackSettings();
    for (auto& setting : settings) setting.isMuted = setting.hand == PracticeTrackHand::automatic;
    applyTrackSettings(std::move(settings));
    stopAllPlaybackNotes();
}

void PracticeSessionStore::unmuteAllTracks()
{
    auto settings = normalizedTrackSettings();
    for (auto& setting : settings) setting.isMuted = false;
    applyTrackSettings(std::move(settings));
}

void PracticeSessionStore::dismissTrackSelection()
{
    if (!isTrackSelectionPresented_) return;
    setTrackSelectionPresented(false);
    if (playsAfterTrackSelection_) {
        playsAfterTrackSelection_ = false;
        resumeTimelinePlayback();
    }
}

void PracticeSessionStore::refreshPracticeEngine()
{
    practiceEngine_.reset(audibleTimelineNotes(), practiceHand_, PracticeHandMap(handSplitNote(), trackSettings_));
    practiceEngine_.seek(playbackPositionSeconds_);
    if (isWaitingForInput_) resumeAfterWait();
}

std::map<std::int64_t, std::string> PracticeSessionStore::trackNames(const MIDIFile& file)
{
    std::map<std::int64_t, std::string> names;
    for (std::size_t i = 0; i < file.tracks.size(); ++i)
        if (auto name = file.tracks[i].name()) names.emplace(static_cast<std::int64_t>(i), std::move(*name));
    return names;
}

std::vector<PracticeTrackSetting>
PracticeSessionStore::mergedTrackSettings(const std::vector<PracticeTrackSetting>& stored,
                                          const std::vector<std::int64_t>& playableTrackIndices)
{
    std::unordered_map<std::int64_t, PracticeTrackSetting> byTrack;
    for (const auto& setting : stored) byTrack.emplace(setting.trackIndex(), setting); // the first one wins
    std::vector<PracticeTrackSetting> merged;
    for (const auto index : playableTrackIndices) {
        const auto found = byTrack.find(index);
        merged.push_back(found != byTrack.end() ? found->second
                                                : PracticeTrackSetting(index, PracticeTrackHand::automatic, false));
    }
    return merged;
}

} // namespace corvane
