#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneApp/session/BundledDemoSong.hpp"
#include "CorvaneApp/session/CountInProgress.hpp"
#include "CorvaneApp/session/PracticeProgressCoordinator.hpp"
#include "CorvaneApp/session/PracticeSettings.hpp"
#include "CorvaneApp/session/PracticeSessionEnvironment.hpp"
#include "CorvaneApp/session/PresentedPracticeFeedback.hpp"
#include "CorvaneAudio/midi/MIDIInputEvent.hpp"
#include "CorvaneAudio/midi/MIDIInstrumentRouter.hpp"
#include "CorvaneAudio/midi/MIDILatencyAccumulator.hpp"
#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/GuidedPracticeEngine.hpp"
#include "CorvaneDomain/MIDIFile.hpp"
#include "CorvaneDomain/MIDILoopRange.hpp"
#include "CorvaneDomain/MIDIMeasureMap.hpp"
#include "CorvaneDomain/MIDITimeline.hpp"
#include "CorvaneDomain/MIDITransport.hpp"
#include "CorvaneDomain/PersistedPracticeSession.hpp"
#include "CorvaneDomain/PracticeLoopBookmark.hpp"
#include "CorvaneDomain/PracticeMetricsAccumulator.hpp"
#include "CorvaneDomain/PracticeMode.hpp"
#include "CorvaneDomain/PracticeSong.hpp"
#include "CorvaneDomain/PracticeSongReference.hpp"
#include "CorvaneDomain/PracticeTrackSetting.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"
#include "CorvaneDomain/UUID.hpp"
#include "CorvaneDomain/VisualImpactEvent.hpp"
#include "CorvaneDomain/VisualPreset.hpp"

namespace corvane {

class BookmarkService;
class CountInRun;
class DefaultsStore;
class MIDIDeviceMonitor;
class PianoAudioEngine;
class PracticeLoopStore;
class PracticeProgressStore;
class PracticeTrackStore;
struct MIDIInstrumentCommand;

// The one object that holds a practice session: the open song with its
// timeline, transport and cursor, the grading engine, the instrument router,
// the latency statistics, the saved-progress bookkeeping, the practice
// settings and the stage's look. Main thread only. Observable properties
// emit their change signal only when a whole new value differs from the old;
// in-place changes (the progress revision) always signal.
class PracticeSessionStore : public QObject {
    Q_OBJECT
public:
    static constexpr int playbackTickMilliseconds = 8;
    static constexpr double progressSaveIntervalSeconds = 2.0;
    static constexpr std::size_t maximumImpactEvents = 32;
    // Photos are read whole; anything larger is refused.
    static constexpr std::uintmax_t maximumBackgroundImageBytes = 64 * 1024 * 1024;

    // Waits `seconds`, then calls `wake(true)`; `wake(false)` when the wait
    // failed, which ends the count-in silently. May call back at once.
    using CountInSleep = std::function<void(double seconds, std::function<void(bool completed)> wake)>;
    // Clicks one count-in beat; true for the first beat of a bar.
    using CountInClick = std::function<void(bool accented)>;

    using Environment = PracticeSessionEnvironment;

    PracticeSessionStore(PracticeProgressStore& progressStore, PracticeLoopStore& loopStore,
                         PracticeTrackStore& trackStore, MIDIDeviceMonitor* midiDeviceMonitor,
                         PianoAudioEngine* audioEngine, DefaultsStore& userDefaults, CountInSleep countInSleep = {},
                         CountInClick countInClick = {}, Environment environment = {});
    ~PracticeSessionStore() override;

    PracticeSessionStore(const PracticeSessionStore&) = delete;
    PracticeSessionStore& operator=(const PracticeSessionStore&) = delete;

    // The built-in look of the stage.
    static VisualPreset builtInVisualPreset();

    // Observable state.
    const std::optional<PracticeSong>& currentSong() const { return currentSong_; }
    bool isPlaying() const { return isPlaying_; }
    double playbackPositionSeconds() const { return playbackPositionSeconds_; }
    double playbackRate() const { return playbackRate_; }
    bool countInEnabled() const { return countInEnabled_; }
    std::int64_t countInMeasureCount() const { return countInMeasureCount_; }
    const std::optional<CountInProgress>& countInProgress() const { return countInProgress_; }
    const std::optional<MIDILoopRange>& loopRange() const { return loopRange_; }
    const std::vector<MIDIMeasureMarker>& measureMarkers() const { return measureMarkers_; }
    double loopSelectionStartSeconds() const { return loopSelectionStartSeconds_; }
    double loopSelectionEndSeconds() const { return loopSelectionEndSeconds_; }
    double timelineDurationSeconds() const { return timelineDurationSeconds_; }
    const MIDINoteSpanList& timelineNotes() const { return timelineNotes_; }
    const VisualPreset& visualPreset() const { return visualPreset_; }
    const std::optional<std::string>& backgroundImageURL() const { return backgroundImageURL_; }
    const std::optional<std::string>& backgroundImageError() const { return backgroundImageError_; }
    const std::vector<VisualImpactEvent>& visualImpactEvents() const { return visualImpactEvents_; }
    PracticeMode practiceMode() const { return practiceMode_; }
    PracticeHand practiceHand() const { return practiceHand_; }
    const std::vector<PracticeTrackSetting>& trackSettings() const { return trackSettings_; }
    const std::map<std::int64_t, std::string>& trackNames() const { return trackNames_; }
    bool isTrackSelectionPresented() const { return isTrackSelectionPresented_; }
    bool isWaitingForInput() const { return isWaitingForInput_; }
    const std::vector<std::uint8_t>& waitingNotes() const { return waitingNotes_; }
    const std::optional<PresentedPracticeFeedback>& latestPracticeFeedback() const { return latestPracticeFeedback_; }
    const std::optional<MIDILatencyStatistics>& midiLatencyStatistics() const { return midiLatencyStatistics_; }
    double inputLatencyMilliseconds() const { return inputLatencyMilliseconds_; }
    const std::optional<std::string>& lastImportError() const { return lastImportError_; }
    const std::optional<PracticeSongReference>& currentSongReference() const { return currentSongReference_; }
    std::uint64_t progressRevision() const { return progressRevision_; }

    // Writers the views use directly.
    void setLastImportError(std::optional<std::string> message);
    void setBackgroundImageError(std::optional<std::string> message);
    void setTrackSelectionPresented(bool presented);
    // One field of the look edited by the visual inspector; saved with the next save.
    void setVisualPreset(VisualPreset preset);

    // Derived.
    // The distinct track indices of the open song's notes, ascending; kept
    // with the notes, as every track list reads it per row.
    const std::vector<std::int64_t>& colorTrackIndices() const { return colorTrackIndices_; }
    MIDINoteSpanList audibleTimelineNotes() const;
    const std::optional<MIDIMeasureMap>& measureMap() const { return measureMap_; }
    PianoAudioEngine* audioEngine() const { return audioEngine_; }
    MIDIDeviceMonitor* midiDeviceMonitor() const { return midiDeviceMonitor_; }
    DefaultsStore& userDefaults() const { return userDefaults_; }
    PracticeProgressStore& progressStore() const { return progressCoordinator_.store; }
    PracticeLoopStore& loopStore() const { return loopStore_; }
    std::vector<RecentPracticeSong> recentSongs() const;

    // Practice settings (declared in PracticeSettings.hpp). The controller
    // alone reads and writes their keys, each setter storing the value the
    // getter then gives; screens call these and follow the change signals.
    // The latency in use may differ from the stored one after a session is
    // restored, until the next live note takes the stored one again; the
    // other settings are always the stored values.
    void setInputLatencyMilliseconds(double milliseconds);
    void setCountInEnabled(bool enabled);
    void setCountInMeasureCount(std::int64_t count);
    // The note from which untagged tracks are the right hand's.
    std::uint8_t handSplitNote() const { return static_cast<std::uint8_t>(handSplitNote_); }
    void setHandSplitNote(std::int64_t note);
    double seekStepSeconds() const { return seekStepSeconds_; }
    void setSeekStepSeconds(double seconds);
    // The loop editor's fine-adjustment step; a step that is not a positive
    // number is not stored.
    double loopNudgeStepSeconds() const { return loopNudgeStepSeconds_; }
    void setLoopNudgeStepSeconds(double seconds);
    bool reduceParticles() const { return reduceParticles_; }
    void setReduceParticles(bool reduce);
    bool metronomeEnabled() const { return metronomeEnabled_; }
    void setMetronomeEnabled(bool enabled);

    // Opening songs. Failures are worded in `lastImportError`; a failed load
    // leaves the open song as it was.
    void loadMIDI(const std::filesystem::path& url, std::optional<std::string> title = std::nullopt,
                  std::optional<PracticeSongReference> reference = std::nullopt,
                  std::optional<PersistedPracticeSession> restoring = std::nullopt,
                  double initialPositionSeconds = 0);
    void loadDemo(BundledDemoSong demo);
    void continueRecentSong(const RecentPracticeSong& song);
    void restorePersistedSession();
    // The stores took in records decoded after the controller was made: the
    // session is reopened if nothing was opened meanwhile, the open song
    // takes its stored track settings and saved loops, and the screens that
    // list progress are told.
    void takeArrivedRecords();
    // The Portuguese message for a failed load.
    static std::string importFailureMessage(const std::exception& error);

    // Transport.
    void togglePlayback();
    void seek(double seconds);
    void setPlaybackRate(double rate);
    void emitImpact(std::uint8_t midiNote, std::uint8_t velocity, double hue, std::optional<std::int64_t> trackIndex);
    void updateLoop(std::optional<MIDILoopRange> range);

    // Hands and tracks.
    void setPracticeMode(PracticeMode mode);
    void setPracticeHand(PracticeHand hand);
    std::string trackLabel(std::int64_t trackIndex) const;
    std::int64_t trackNoteCount(std::int64_t trackIndex) const;
    PracticeTrackSetting trackSetting(std::int64_t trackIndex) const;
    void setTrackHand(PracticeTrackHand hand, std::int64_t trackIndex);
    void setTrackMuted(bool muted, std::int64_t trackIndex);
    bool hasUnassignedPlayableTracks() const;
    void muteTracksWithoutHand();
    void unmuteAllTracks();
    void dismissTrackSelection();
    static std::map<std::int64_t, std::string> trackNames(const MIDIFile& file);
    static std::vector<PracticeTrackSetting> mergedTrackSettings(const std::vector<PracticeTrackSetting>& stored,
                                                                 const std::vector<std::int64_t>& playableTrackIndices);

    // Loops.
    struct MeasureRange {
        std::int64_t start = 0;
        std::int64_t end = 0;
        bool operator==(const MeasureRange&) const = default;
    };
    void setLoopSelectionStart(double seconds);
    void setLoopSelectionEnd(double seconds);
    void setLoopSelection(double startSeconds, double endSeconds);
    void applyLoopSelection();
    std::optional<MeasureRange> loopSelectionMeasures() const;
    std::int64_t lastMeasureNumber() const;
    void setLoopStartMeasure(std::int64_t measure);
    void setLoopEndMeasure(std::int64_t measure);
    bool canSaveCurrentLoop() const;
    // Absent when nothing could be saved, including when the song already
    // holds the most loops it may (saving then would evict one of them) or
    // the store's limit left the new loop out. Saving the bars of a saved
    // loop again renames it, unless the name is blank: then it is returned
    // unchanged.
    std::optional<PracticeLoopBookmark> saveCurrentLoop(const std::string& name);
    // These two and resetLoopProgress act only on a saved loop of the open
    // song (by id), never on one of a song opened before. The name is stored trimmed.
    void deleteLoop(const PracticeLoopBookmark& bookmark);
    void renameLoop(const PracticeLoopBookmark& bookmark, const std::string& name);
    std::vector<PracticeLoopBookmark> savedLoops() const;
    const std::optional<UUID>& activeLoopBookmarkID() const { return activeLoopBookmarkID_; }
    std::int64_t loopRepetitions() const { return loopRepetitions_; }
    // The running metrics of the session and of the active saved loop.
    PracticeMetrics sessionMetrics() const;
    std::optional<PracticeMetrics> activeLoopMetrics() const;

    // Progress.
    void flushProgress();
    void resetSessionMetrics();
    void resetLoopProgress(const PracticeLoopBookmark& bookmark);
    void resetProgress(const PracticeSongReference& song);
    void resetAllPracticeData();

    // Look and background photo.
    void resetVisualParameters();
    void selectBackgroundImage(const std::filesystem::path& url);
    void removeBackgroundImage();

signals:
    void currentSongChanged();
    void isPlayingChanged();
    void playbackPositionSecondsChanged();
    void playbackRateChanged();
    void countInEnabledChanged();
    void countInMeasureCountChanged();
    void countInProgressChanged();
    void loopRangeChanged();
    void measureMarkersChanged();
    void loopSelectionStartSecondsChanged();
    void loopSelectionEndSecondsChanged();
    void timelineDurationSecondsChanged();
    void timelineNotesChanged();
    void visualPresetChanged();
    void backgroundImageURLChanged();
    void backgroundImageErrorChanged();
    void visualImpactEventsChanged();
    void practiceModeChanged();
    void practiceHandChanged();
    void trackSettingsChanged();
    void trackNamesChanged();
    void isTrackSelectionPresentedChanged();
    void isWaitingForInputChanged();
    void waitingNotesChanged();
    void latestPracticeFeedbackChanged();
    void midiLatencyStatisticsChanged();
    void inputLatencyMillisecondsChanged();
    void handSplitNoteChanged();
    void seekStepSecondsChanged();
    void loopNudgeStepSecondsChanged();
    void reduceParticlesChanged();
    void metronomeEnabledChanged();
    void lastImportErrorChanged();
    void currentSongReferenceChanged();
    void progressRevisionChanged();

private:
    friend class CountInRun;
    // Benchmarks and tests drive the tick and the input handler directly.
    friend struct PracticeSessionStoreProbe;
    struct ResolvedPracticeSong;

    // Stores and signals only a value that differs from the old one.
    template <class T> void assign(T& field, T value, void (PracticeSessionStore::*changed)())
    {
        if (field == value) return;
        field = std::move(value);
        (this->*changed)();
    }
    Date now() const;
    void bumpProgressRevision();

    // Construction.
    void installCallbacks();
    void checkDemoResources();
    void readPracticeSettings();
    // Stores a practice setting's new value under its key and signals it;
    // false, doing nothing, when the value is the one held.
    template <class T>
    bool storeSetting(T& field, T value, const char* key, void (PracticeSessionStore::*changed)());
    // The stored latency, taken into use when it differs (at every live note).
    void adoptStoredInputLatency();

    // Loading, in the order loadMIDI takes the steps.
    struct PreparedSong {
        MIDIFile file;
        MIDITimeline timeline;
        MIDITransport transport;
        double targetPosition = 0;
        double anchorClock = 0;
    };
    // The song parsed and its transport set up; absent (and the failure
    // worded) when it cannot be opened. Changes nothing of the open song.
    std::optional<PreparedSong> prepareSong(const std::filesystem::path& url,
                                            const std::optional<PersistedPracticeSession>& restoring,
                                            double initialPositionSeconds);
    void leaveOpenSong();
    void openPreparedSong(PreparedSong song, const std::filesystem::path& url, const std::optional<std::string>& title,
                          const PracticeSongReference& songReference);
    // Restores the stored session the first time the records are in.
    void restoreStoredSessionOnce();
    void adoptRestoredSession(const PersistedPracticeSession& restoring);
    void beginHistoryEntry(const PracticeSongReference& songReference,
                           const std::optional<PersistedPracticeSession>& restoring);
    std::optional<ResolvedPracticeSong> resolve(const PracticeSongReference& reference);
    std::optional<PracticeSongReference> externalReference(const std::filesystem::path& url);
    void reportLoadFailure(const std::filesystem::path& url, const std::exception& error);

    // Playback.
    std::optional<double> clockReading() const;
    void resumeTimelinePlayback();
    bool startAudioEngine();
    void resumeTimelinePlaybackImmediately();
    bool startTransport(double clock);
    void pauseTimelinePlayback();
    void startPlaybackLoop();
    void scheduleNextTick();
    // One tick, in named steps: the loop's return, wait mode's stop at a
    // chord, the events due (when not sent ahead), and the saves.
    void advanceTimelinePlayback();
    void returnToLoopStart(const MIDITransportSnapshot& s);
    void waitForChord(double clock, const PracticeWaitTarget& target);
    void sendDueEvents(double clock, const MIDITransportSnapshot& s);
    void saveAfterTick(const MIDITransportSnapshot& s);
    void reactivateSustainedNotes(const MIDITimeline& timeline, double seconds);
    void reportSentEvent(double eventSeconds);
    // Playback sent ahead (PracticeSessionScheduling.cpp). The song's sound
    // goes to the engine a short window ahead of its time, each event with
    // the render-clock time it falls at; everything that changes what should
    // sound takes back what was sent and has not yet played.
    bool sendsPlaybackAhead() const;
    double playbackLookAheadSeconds() const;
    // Sends the events from `scheduledEventIndex_` that fall before the
    // window's end (never at or past `holdBefore`, a chord wait mode stops
    // at), as the transport stands in `s` at `clock`, the reading of the
    // render clock taken at host time `now`. A loop's return in the window is
    // sent too, and the next pass after it.
    void sendPlaybackAhead(double clock, double now, const MIDITransportSnapshot& s, std::optional<double> holdBefore);
    // The loop's return sent ahead, due at `due`: the song's notes released
    // and those the loop's start holds struck again.
    void sendLoopSeamAhead(const MIDILoopRange& loop, double due, std::int64_t endIndex,
                           const std::optional<PracticeHandMap>& studentHands);
    // Where the first chord wait mode stops at lies after a loop's start.
    std::optional<double> waitHoldAfterLoopStart(const MIDILoopRange& loop,
                                                 const std::optional<PracticeHandMap>& studentHands) const;
    // The same, at a fresh clock reading, when playing.
    void resendPlaybackAhead();
    // Takes back what has not yet played: the router forgets it and the
    // events are sent again from the first one taken back.
    void withdrawPlaybackSentAhead();
    // After a jump: sending goes on from the cursor in the pass
    // `lastLoopIteration_`, nothing sent being pending.
    void sendPlaybackFromCursor();
    // Where the sound stands: the first event that has not played, or the
    // published position when nothing ahead of it was sent.
    double soundingPositionSeconds() const;
    // The song's message for a timeline event; absent for what it does not send.
    std::optional<MIDIInputMessage> playbackMessage(const MIDITimelineEvent& event,
                                                    const std::optional<PracticeHandMap>& studentHands) const;
    void emitPlaybackImpacts(const MIDITimelineEventSlice& due);
    void stopAfterClockFailure(std::optional<double> clock);
    // The engine's output went away (its sound server died): nothing sounds
    // and the clock stands still, so a playing song stops as on a clock failure.
    void stopAfterOutputLoss();
    // Runs `step`, a change of the transport at `clock`; when the transport
    // refuses the clock, playback stops (stopAfterClockFailure) and the answer is false.
    template <class Step>
    bool transportStep(std::optional<double> clock, Step&& step);
    // The transport's position at `clock`, or `fallback` when it refuses the clock.
    double transportPosition(double clock, double fallback) const;
    void sendPlaybackEvent(const MIDIInputMessage& message, std::uint8_t channel);
    void sendToEngine(const std::vector<MIDIInstrumentCommand>& commands);
    bool isTrackMuted(std::int64_t trackIndex) const;
    // The map of the student's notes; absent in accompaniment, where the song plays them all.
    std::optional<PracticeHandMap> studentHandMap() const;
    bool isStudentNote(const std::optional<PracticeHandMap>& studentHands, std::uint8_t note,
                       std::int64_t trackIndex) const;
    void clearWaitState();
    void pauseAccumulators(Date date);
    void resumeAccumulators(Date date);

public:
    // Silencing; also what the engine and monitor callbacks call.
    void stopAllPlaybackNotes();
    void stopAllInstrumentNotes();
    void stopLiveInputNotes();

private:
    // Count-in.
    void startCountIn();
    void cancelCountIn();
    void countInDidFinish();
    void clickCountInBeat(bool accented);
    bool startTimelineDuringCountIn();
    void setCountInProgress(std::optional<CountInProgress> progress);

    // Live input.
    void handleMIDIInput(const MIDIInputEvent& event);
    void routeLiveInput(const MIDIInputEvent& event);

    // Hands and tracks.
    // Publishes the song's notes with the track indices and note counts kept beside them.
    void publishTimelineNotes(MIDINoteSpanList notes);
    void resumeAfterWait();
    // The stored setting of a track; null when it has none.
    const PracticeTrackSetting* storedTrackSetting(std::int64_t trackIndex) const;
    std::vector<PracticeTrackSetting> normalizedTrackSettings() const;
    void applyTrackSettings(std::vector<PracticeTrackSetting> settings);
    void refreshPracticeEngine();
    void withdrawStudentNotes();

    // Loops.
    void syncActiveLoopBookmark();
    bool isSavedLoopOfOpenSong(const PracticeLoopBookmark& loop) const;

    // Progress.
    // What a saved session holds, but for its date.
    struct SavedSessionState {
        std::optional<UUID> historyEntryID;
        double positionSeconds = 0;
        double playbackRate = 1;
        std::optional<MIDILoopRange> loopRange;
        PracticeMode practiceMode = PracticeMode::accompaniment;
        PracticeHand practiceHand = PracticeHand::both;
        double inputLatencyMilliseconds = 0;
        VisualPreset visualPreset;
        PracticeMetrics metrics;
        bool operator==(const SavedSessionState&) const = default;
    };
    static bool isSaveDue(Date now, Date lastSave);
    SavedSessionState sessionState(Date date) const;
    void persistProgress(bool pausing);
    void persistProgressIfChanged();
    void persistLoopProgress(Date date);
    void persistLoopProgressIfChanged(Date date);
    struct SavedLoopState {
        std::optional<UUID> id;
        PracticeMetrics metrics;
        std::int64_t repetitions = 0;
        bool operator==(const SavedLoopState&) const = default;
    };

    // Background photo.
    void restoreBackgroundImageAccess();
    void releaseBackgroundImageAccess();
    static bool isReadableImage(const std::filesystem::path& path);

    // 1–31: observable and song state.
    std::optional<PracticeSong> currentSong_;
    bool isPlaying_ = true;
    double playbackPositionSeconds_ = 0;
    double playbackRate_ = 1.0;
    bool countInEnabled_ = false;
    std::int64_t countInMeasureCount_ = 1;
    std::optional<CountInProgress> countInProgress_;
    std::optional<MIDILoopRange> loopRange_;
    std::vector<MIDIMeasureMarker> measureMarkers_;
    double loopSelectionStartSeconds_ = 0;
    double loopSelectionEndSeconds_ = 0;
    double timelineDurationSeconds_ = 0;
    MIDINoteSpanList timelineNotes_; // the timeline's own list, shared
    // Derived from timelineNotes_ when it is published: the distinct track
    // indices, ascending, and the number of notes of each, in the same order.
    std::vector<std::int64_t> colorTrackIndices_;
    std::vector<std::int64_t> colorTrackNoteCounts_;
    // The last audible notes worked out: from which notes, without which tracks.
    struct AudibleNotes {
        MIDINoteSpanList source;
        std::vector<std::int64_t> muted;
        MIDINoteSpanList notes;
    };
    mutable AudibleNotes audibleNotes_;
    VisualPreset visualPreset_;
    std::optional<std::string> backgroundImageURL_;
    std::optional<std::string> backgroundImageError_;
    std::vector<VisualImpactEvent> visualImpactEvents_;
    PracticeMode practiceMode_ = PracticeMode::accompaniment;
    PracticeHand practiceHand_ = PracticeHand::both;
    std::vector<PracticeTrackSetting> trackSettings_;
    std::map<std::int64_t, std::string> trackNames_;
    bool isTrackSelectionPresented_ = false;
    bool playsAfterTrackSelection_ = false;
    bool isWaitingForInput_ = false;
    std::vector<std::uint8_t> waitingNotes_;
    std::optional<PresentedPracticeFeedback> latestPracticeFeedback_;
    std::optional<MIDILatencyStatistics> midiLatencyStatistics_;
    double inputLatencyMilliseconds_ = 0;
    std::optional<std::string> lastImportError_;
    // The stored practice settings as they stand.
    double storedInputLatencyMilliseconds_ = 0;
    std::int64_t handSplitNote_ = practiceSettings::handSplitNote.fallback;
    double seekStepSeconds_ = practiceSettings::seekStepSeconds.fallback;
    double loopNudgeStepSeconds_ = practiceSettings::loopNudgeStepSeconds.fallback;
    bool reduceParticles_ = false;
    bool metronomeEnabled_ = false;
    std::optional<PracticeSongReference> currentSongReference_;
    std::optional<MIDIMeasureMap> measureMap_;

    // 32–58: collaborators and plain state.
    PracticeLoopStore& loopStore_;
    PracticeTrackStore& trackStore_;
    mutable PracticeProgressCoordinator progressCoordinator_;
    DefaultsStore& userDefaults_;
    CountInSleep countInSleep_;
    CountInClick countInClick_;
    Environment environment_;
    std::unique_ptr<BookmarkService> ownedBookmarks_;
    BookmarkService* bookmarks_ = nullptr;
    std::unique_ptr<PianoAudioEngine> ownedAudioEngine_;
    std::unique_ptr<MIDIDeviceMonitor> ownedMIDIDeviceMonitor_;
    PianoAudioEngine* audioEngine_ = nullptr;
    MIDIDeviceMonitor* midiDeviceMonitor_ = nullptr;
    std::uint64_t nextImpactSequence_ = 1;
    std::optional<MIDITimeline> timeline_;
    std::optional<MIDITransport> transport_;
    std::optional<MIDITimelineCursor> timelineCursor_;
    bool pendingPlaybackStart_ = false;
    std::uint64_t lastLoopIteration_ = 0;
    std::unique_ptr<QTimer> playbackTimer_;
    // The next timeline event to send ahead and the loop pass it belongs
    // to, and each event sent ahead and not known to have played, oldest
    // first (identity absent: nothing went to the engine for it). A loop's
    // return is sent as the steps of its pass's end index.
    struct SentAhead {
        std::int64_t eventIndex = 0;
        std::uint64_t pass = 0;
        std::optional<std::uint64_t> identity;
        bool playedAtOnce = false;
        MIDIInstrumentRouter::Change change;
    };
    void scheduleAhead(SentAhead record, const std::vector<MIDIInstrumentCommand>& commands, double due);
    std::int64_t scheduledEventIndex_ = 0;
    std::uint64_t scheduledPass_ = 0;
    std::deque<SentAhead> sentAhead_;
    std::unique_ptr<CountInRun> countInRun_;
    GuidedPracticeEngine practiceEngine_;
    MIDIInstrumentRouter instrumentRouter_;
    std::optional<PracticeWaitTarget> waitingTarget_;
    MIDILatencyAccumulator midiLatencyAccumulator_{512};
    Date lastProgressPersistenceDate_{-1e300};
    std::optional<UUID> activeLoopBookmarkID_;
    std::optional<PracticeMetricsAccumulator> loopAccumulator_;
    std::int64_t loopRepetitions_ = 0;
    Date lastLoopPersistenceDate_{-1e300};
    bool backgroundImageHasSecurityScope_ = false;
    std::uint64_t progressRevision_ = 0;
    std::optional<SavedSessionState> lastSavedState_;
    std::optional<SavedLoopState> lastSavedLoop_;
    // Whether the stored session was there to reopen (at once, or when the progress store's records arrived).
    bool hasSeenStoredSession_ = false;
};

template <class Step>
bool PracticeSessionStore::transportStep(std::optional<double> clock, Step&& step)
{
    try {
        step();
        return true;
    } catch (const std::exception&) {
        stopAfterClockFailure(clock);
        return false;
    }
}

} // namespace corvane
