#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneApp/session/CountInRun.hpp"
#include "CorvaneApp/session/MIDIPerformanceLog.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneDomain/StandardizedPath.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "CorvaneLibrary/BookmarkService.hpp"
#include "CorvaneLibrary/LibraryPaths.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"

namespace corvane {

namespace {

bool hasMIDIExtension(const std::filesystem::path& url)
{
    std::string extension = pathExtension(url.string());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "mid" || extension == "midi";
}

// Ends a security-scoped access when the load returns, however it returns.
class AccessScope {
public:
    AccessScope(BookmarkService& bookmarks, std::string path)
        : bookmarks_(bookmarks), path_(std::move(path)), started_(bookmarks_.startAccessing(path_))
    {
    }
    ~AccessScope()
    {
        if (started_) bookmarks_.stopAccessing(path_);
    }
    AccessScope(const AccessScope&) = delete;
    AccessScope& operator=(const AccessScope&) = delete;

private:
    BookmarkService& bookmarks_;
    std::string path_;
    bool started_;
};

// A stored loop that no longer fits the file (it was shortened since) is
// brought inside it, or dropped, so that it never blocks the restore.
std::optional<MIDILoopRange> fittedLoop(const std::optional<MIDILoopRange>& loop, double duration)
{
    if (!loop || !std::isfinite(loop->startSeconds) || !std::isfinite(loop->endSeconds)) return std::nullopt;
    MIDILoopRange fitted{std::max(0.0, loop->startSeconds), std::min(loop->endSeconds, duration)};
    if (!(fitted.startSeconds < fitted.endSeconds)) return std::nullopt;
    return fitted;
}

} // namespace

struct PracticeSessionStore::ResolvedPracticeSong {
    std::filesystem::path url;
    std::function<void()> stopAccessing;
};

void PracticeSessionStore::reportLoadFailure(const std::filesystem::path& url, const std::exception& error)
{
    setLastImportError(importFailureMessage(error));
    qCCritical(midiPerformanceLog, "falha ao abrir %s: %s", lastPathComponent(url.string()).c_str(), error.what());
}

std::optional<PracticeSongReference> PracticeSessionStore::externalReference(const std::filesystem::path& url)
{
    const std::string path = standardizedAbsolutePath(url.string());
    return PracticeSongReference::externalFile(path, bookmarks_->createBookmark(path));
}

void PracticeSessionStore::loadMIDI(const std::filesystem::path& url, std::optional<std::string> title,
                                    std::optional<PracticeSongReference> reference,
                                    std::optional<PersistedPracticeSession> restoring, double initialPositionSeconds)
{
    auto song = prepareSong(url, restoring, initialPositionSeconds);
    if (!song) return;
    leaveOpenSong();
    if (!title && restoring) title = restoring->songTitle();
    const PracticeSongReference songReference = reference ? *reference : *externalReference(url);
    openPreparedSong(std::move(*song), url, title, songReference);
    if (restoring) adoptRestoredSession(*restoring);

    playsAfterTrackSelection_ = !restoring && isTrackSelectionPresented_;
    pendingPlaybackStart_ = false;
    setLastImportError(std::nullopt);
    assign(isPlaying_, false, &PracticeSessionStore::isPlayingChanged);
    beginHistoryEntry(songReference, restoring);

    bumpProgressRevision();
    persistProgress(false);
    // A restored loop may be one of the song's saved loops.
    if (loopRange_) syncActiveLoopBookmark();
    startPlaybackLoop();
    if (!restoring && !isTrackSelectionPresented_) resumeTimelinePlayback();
}

std::optional<PracticeSessionStore::PreparedSong>
PracticeSessionStore::prepareSong(const std::filesystem::path& url,
                                  const std::optional<PersistedPracticeSession>& restoring,
                                  double initialPositionSeconds)
{
    if (!hasMIDIExtension(url)) {
        setLastImportError("Escolha um arquivo MIDI (.mid ou .midi).");
        return std::nullopt;
    }
    if (!audioEngine_) {
        setLastImportError("O mecanismo de áudio não está disponível.");
        return std::nullopt;
    }
    AccessScope access(*bookmarks_, url.string());

    // The new transport is set up completely before anything of the open
    // song changes, so a failure here leaves that song exactly as it was.
    try {
        MIDIFile file = StandardMIDIFileParser().parseContentsOf(url);
        MIDITimeline timeline(file);
        MIDITransport transport(timeline, 1.0);
        audioEngine_->start();

        const double targetPosition = restoring ? restoring->positionSeconds : initialPositionSeconds;
        // A paused transport only anchors on the clock value, so without a
        // reading any finite value keeps position, rate and loop in step.
        const double anchorClock = clockReading().value_or(0.0);
        if (restoring) {
            const double rate = restoring->playbackRate;
            transport.setPlaybackRate(std::isfinite(rate) && rate > 0 ? rate : 1.0, anchorClock);
            if (const auto loop = fittedLoop(restoring->loopRange, timeline.durationSeconds()))
                transport.setLoop(loop, anchorClock);
            transport.seek(targetPosition, anchorClock);
        } else if (!(targetPosition <= 0)) {
            transport.seek(targetPosition, anchorClock);
        }
        return PreparedSong{std::move(file), std::move(timeline), std::move(transport), targetPosition, anchorClock};
    } catch (const std::exception& error) {
        reportLoadFailure(url, error);
        return std::nullopt;
    }
}

void PracticeSessionStore::leaveOpenSong()
{
    cancelCountIn();
    stopAllPlaybackNotes();
    persistProgress(true);
    activeLoopBookmarkID_.reset();
    loopAccumulator_.reset();
    loopRepetitions_ = 0;
}

void PracticeSessionStore::openPreparedSong(PreparedSong song, const std::filesystem::path& url,
                                            const std::optional<std::string>& title,
                                            const PracticeSongReference& songReference)
{
    assign(currentSongReference_, std::optional(songReference), &PracticeSessionStore::currentSongReferenceChanged);
    currentSong_ = PracticeSong(UUID::random(), url.string(), title);
    emit currentSongChanged();
    timeline_ = std::move(song.timeline);
    transport_ = std::move(song.transport);
    timelineCursor_ = MIDITimelineCursor(*timeline_, 0);
    publishTimelineNotes(timeline_->noteSpanList());

    measureMap_.emplace(timeline_->tempoMap(), timeline_->durationSeconds());
    assign(measureMarkers_, measureMap_->markers, &PracticeSessionStore::measureMarkersChanged);
    assign(timelineDurationSeconds_, timeline_->durationSeconds(), &PracticeSessionStore::timelineDurationSecondsChanged);
    assign(trackNames_, trackNames(song.file), &PracticeSessionStore::trackNamesChanged);

    const auto stored = trackStore_.settings(songReference.stableID());
    const auto playable = colorTrackIndices();
    assign(trackSettings_, mergedTrackSettings(stored, playable), &PracticeSessionStore::trackSettingsChanged);
    setTrackSelectionPresented(playable.size() > 2 && stored.empty());

    practiceEngine_.reset(audibleTimelineNotes(), practiceHand_, PracticeHandMap(handSplitNote(), trackSettings_));
    clearWaitState();
    assign(latestPracticeFeedback_, std::optional<PresentedPracticeFeedback>(),
           &PracticeSessionStore::latestPracticeFeedbackChanged);

    double position = transportPosition(song.anchorClock, song.targetPosition);
    position = std::clamp(std::isfinite(position) ? position : 0.0, 0.0, timeline_->durationSeconds());
    assign(playbackPositionSeconds_, position, &PracticeSessionStore::playbackPositionSecondsChanged);
    timelineCursor_->seek(*timeline_, position);
    lastLoopIteration_ = 0;
    sendPlaybackFromCursor();

    assign(playbackRate_, transport_->playbackRate(), &PracticeSessionStore::playbackRateChanged);
    const auto loop = transport_->loopRange();
    assign(loopRange_, loop, &PracticeSessionStore::loopRangeChanged);
    assign(loopSelectionStartSeconds_, loop ? loop->startSeconds : 0.0,
           &PracticeSessionStore::loopSelectionStartSecondsChanged);
    assign(loopSelectionEndSeconds_, loop ? loop->endSeconds : timeline_->durationSeconds(),
           &PracticeSessionStore::loopSelectionEndSecondsChanged);
}

void PracticeSessionStore::adoptRestoredSession(const PersistedPracticeSession& restoring)
{
    assign(practiceMode_, restoring.practiceMode, &PracticeSessionStore::practiceModeChanged);
    assign(practiceHand_, restoring.practiceHand, &PracticeSessionStore::practiceHandChanged);
    // Taken into use only: the stored setting stays as the user left it.
    assign(inputLatencyMilliseconds_,
           practiceSettings::inputLatencyMilliseconds.value(restoring.inputLatencyMilliseconds),
           &PracticeSessionStore::inputLatencyMillisecondsChanged);
    setVisualPreset(restoring.visualPreset.clamped());
    restoreBackgroundImageAccess();
    practiceEngine_.setHand(practiceHand_);
    practiceEngine_.setHandMap(PracticeHandMap(handSplitNote(), trackSettings_));
    practiceEngine_.seek(playbackPositionSeconds_);
}

void PracticeSessionStore::beginHistoryEntry(const PracticeSongReference& songReference,
                                             const std::optional<PersistedPracticeSession>& restoring)
{
    progressCoordinator_.historyEntryID = restoring ? restoring->historyEntryID() : UUID::random();
    progressCoordinator_.songTitle = currentSong_->title();
    progressCoordinator_.songReference = songReference;
    progressCoordinator_.startedAt = restoring ? restoring->startedAt() : now();
    progressCoordinator_.accumulator = PracticeMetricsAccumulator(restoring ? restoring->metrics : PracticeMetrics::zero());
}

std::optional<PracticeSessionStore::ResolvedPracticeSong>
PracticeSessionStore::resolve(const PracticeSongReference& reference)
{
    if (const auto* demo = reference.as<PracticeSongReference::BundledDemo>()) {
        const auto song = bundledDemoSong(demo->id);
        if (!song) return std::nullopt;
        const auto url = environment_.demoResourceURL(*song);
        if (!url) return std::nullopt;
        return ResolvedPracticeSong{*url, {}};
    }
    const auto& external = *reference.as<PracticeSongReference::ExternalFile>();
    if (external.bookmarkData) {
        if (const auto resolution = bookmarks_->resolveBookmark(*external.bookmarkData)) {
            const std::string path = resolution->path;
            std::function<void()> stop;
            if (bookmarks_->startAccessing(path)) stop = [bookmarks = bookmarks_, path] { bookmarks->stopAccessing(path); };
            return ResolvedPracticeSong{path, std::move(stop)};
        }
    }
    const std::string path = standardizedAbsolutePath(external.path);
    if (fileExists(path)) return ResolvedPracticeSong{path, {}};
    return std::nullopt;
}

void PracticeSessionStore::loadDemo(BundledDemoSong demo)
{
    const auto url = environment_.demoResourceURL(demo);
    if (!url) {
        setLastImportError("A demonstração não foi encontrada no aplicativo.");
        return;
    }
    loadMIDI(*url, std::string(title(demo)), PracticeSongReference::bundledDemo(std::string(rawValue(demo))),
             std::nullopt, 0);
}

void PracticeSessionStore::continueRecentSong(const RecentPracticeSong& song)
{
    const auto resolved = resolve(song.reference);
    if (!resolved) {
        setLastImportError("O arquivo desta música recente não está mais acessível.");
        return;
    }
    const std::string key = song.reference.stableID();
    const PracticeHistoryEntry* latest = nullptr;
    for (const auto& entry : progressCoordinator_.store.historyEntries()) {
        if (entry.songReference().stableID() != key) continue;
        if (!latest || latest->updatedAt < entry.updatedAt) latest = &entry;
    }
    std::optional<PersistedPracticeSession> session;
    if (latest) {
        session.emplace(latest->id(), latest->songTitle(), latest->songReference(), latest->startedAt(),
                        latest->updatedAt, song.lastPositionSeconds, playbackRate_, std::nullopt, practiceMode_,
                        practiceHand_, inputLatencyMilliseconds_, visualPreset_, latest->metrics);
    }
    loadMIDI(resolved->url, song.title, song.reference, session, song.lastPositionSeconds);
    if (resolved->stopAccessing) resolved->stopAccessing();
}

void PracticeSessionStore::restorePersistedSession()
{
    const auto session = progressCoordinator_.store.currentSession();
    if (!session) return;
    const auto resolved = resolve(session->songReference());
    if (!resolved) return;
    loadMIDI(resolved->url, session->songTitle(), session->songReference(), session, 0);
    if (resolved->stopAccessing) resolved->stopAccessing();
}

void PracticeSessionStore::restoreStoredSessionOnce()
{
    if (hasSeenStoredSession_ || !progressCoordinator_.store.hasRecords()) return;
    hasSeenStoredSession_ = true;
    // A song the user opened before the records came stays open.
    if (!currentSongReference_) restorePersistedSession();
}

void PracticeSessionStore::takeArrivedRecords()
{
    restoreStoredSessionOnce();
    if (currentSongReference_) {
        // A song opened before its settings arrived took the defaults; the
        // tracks changed since then keep the user's choice (the store merged them).
        const auto stored = trackStore_.settings(currentSongReference_->stableID());
        auto merged = mergedTrackSettings(stored, colorTrackIndices());
        if (merged != trackSettings_) applyTrackSettings(std::move(merged));
        if (!stored.empty()) dismissTrackSelection();
        syncActiveLoopBookmark();
    }
    bumpProgressRevision();
}

} // namespace corvane
