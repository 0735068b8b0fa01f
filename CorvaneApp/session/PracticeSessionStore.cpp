#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "CorvaneApp/session/CountInRun.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/FileBookmarks.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"

namespace corvane {

namespace {

GuidedPracticeEngine makePracticeEngine()
{
    return GuidedPracticeEngine({}, PracticeHand::both, PracticeHandMap(PracticeHandMap::defaultSplitNote, {}),
                                GuidedPracticeConfiguration(0.12, 0.5, 0.035));
}

} // namespace

VisualPreset PracticeSessionStore::builtInVisualPreset() { return VisualPreset::builtIn(); }

PracticeSessionStore::PracticeSessionStore(PracticeProgressStore& progressStore, PracticeLoopStore& loopStore,
                                           PracticeTrackStore& trackStore, MIDIDeviceMonitor* midiDeviceMonitor,
                                           PianoAudioEngine* audioEngine, DefaultsStore& userDefaults,
                                           CountInSleep countInSleep, CountInClick countInClick,
                                           Environment environment)
    : visualPreset_(builtInVisualPreset()),
      loopStore_(loopStore),
      trackStore_(trackStore),
      progressCoordinator_(progressStore),
      userDefaults_(userDefaults),
      countInSleep_(std::move(countInSleep)),
      countInClick_(std::move(countInClick)),
      environment_(std::move(environment)),
      practiceEngine_(makePracticeEngine())
{
    if (!environment_.now) environment_.now = [] { return Date::now(); };
    if (!environment_.demoResourceURL)
        environment_.demoResourceURL = [bundles = environment_.demoBundles](BundledDemoSong demo) {
            return resourceURL(demo, bundles);
        };
    if (!environment_.makeAudioEngine)
        environment_.makeAudioEngine = [](DefaultsStore& d) { return std::make_unique<PianoAudioEngine>(d); };
    if (!environment_.makeMIDIDeviceMonitor)
        environment_.makeMIDIDeviceMonitor = [](DefaultsStore& d) { return std::make_unique<MIDIDeviceMonitor>(d); };
    bookmarks_ = environment_.bookmarks;
    if (!bookmarks_) {
        ownedBookmarks_ = std::make_unique<FileBookmarks>();
        bookmarks_ = ownedBookmarks_.get();
    }

    readPracticeSettings();

    audioEngine_ = audioEngine;
    if (!audioEngine_) {
        try {
            ownedAudioEngine_ = environment_.makeAudioEngine(userDefaults_);
            audioEngine_ = ownedAudioEngine_.get();
        } catch (const std::exception&) {
            lastImportError_ = "O piano padrão não pôde ser carregado.";
        }
    }
    midiDeviceMonitor_ = midiDeviceMonitor;
    if (!midiDeviceMonitor_) {
        try {
            ownedMIDIDeviceMonitor_ = environment_.makeMIDIDeviceMonitor(userDefaults_);
            midiDeviceMonitor_ = ownedMIDIDeviceMonitor_.get();
        } catch (const std::exception&) {
            // No live input and no MIDI output; nothing to tell.
        }
    }

    checkDemoResources();
    installCallbacks();
    restoreStoredSessionOnce();

    if (!currentSong_) {
        const double hue = visualPreset_.accentHue;
        emitImpact(60, 104, hue, std::nullopt);
        emitImpact(64, 92, hue + 0.025, std::nullopt);
        emitImpact(67, 98, hue + 0.05, std::nullopt);
    }
}

PracticeSessionStore::~PracticeSessionStore()
{
    playbackTimer_.reset();
    countInRun_.reset();
    // The callbacks point at this object; the engine and monitor may outlive it.
    if (midiDeviceMonitor_) {
        midiDeviceMonitor_->onEvent = nullptr;
        midiDeviceMonitor_->onOutputSelectionChanged = nullptr;
        midiDeviceMonitor_->onInputRoutingChanged = nullptr;
    }
    if (audioEngine_) audioEngine_->onWillReconfigure = nullptr;
    if (backgroundImageHasSecurityScope_ && backgroundImageURL_) bookmarks_->stopAccessing(*backgroundImageURL_);
}

void PracticeSessionStore::checkDemoResources()
{
    for (const auto demo : allBundledDemoSongs()) {
        if (!environment_.demoResourceURL(demo)) {
            lastImportError_ = "Uma ou mais demonstrações não foram encontradas no aplicativo.";
            return;
        }
    }
}

void PracticeSessionStore::installCallbacks()
{
    // Both live as long as the application; the destructor takes the
    // callbacks back, so they never reach a destroyed controller.
    if (midiDeviceMonitor_) {
        midiDeviceMonitor_->onEvent = [this](const MIDIInputEvent& event) { handleMIDIInput(event); };
        midiDeviceMonitor_->onOutputSelectionChanged = [this] { stopAllInstrumentNotes(); };
        midiDeviceMonitor_->onInputRoutingChanged = [this] { stopLiveInputNotes(); };
    }
    if (audioEngine_) {
        audioEngine_->onWillReconfigure = [this] {
            if (isPlaying_ || countInProgress_) pauseTimelinePlayback();
            stopAllInstrumentNotes();
        };
        connect(audioEngine_, &PianoAudioEngine::outputLost, this, [this] { stopAfterOutputLoss(); });
    }
}

void PracticeSessionStore::readPracticeSettings()
{
    namespace settings = practiceSettings;
    const DefaultsStore& d = userDefaults_;
    storedInputLatencyMilliseconds_ = settings::inputLatencyMilliseconds.value(
        d.doubleValue(settings::inputLatencyMilliseconds.key));
    inputLatencyMilliseconds_ = storedInputLatencyMilliseconds_;
    countInEnabled_ = settings::countInEnabled.value(d.boolValue(settings::countInEnabled.key));
    countInMeasureCount_ = settings::countInMeasureCount.value(d.integerValue(settings::countInMeasureCount.key));
    handSplitNote_ = settings::handSplitNote.value(d.integerValue(settings::handSplitNote.key));
    seekStepSeconds_ = settings::seekStepSeconds.value(d.doubleValue(settings::seekStepSeconds.key));
    loopNudgeStepSeconds_ = settings::loopNudgeStepSeconds.value(d.doubleValue(settings::loopNudgeStepSeconds.key));
    reduceParticles_ = settings::reduceParticles.value(d.boolValue(settings::reduceParticles.key));
    metronomeEnabled_ = settings::metronome.value(d.boolValue(settings::metronome.key));
}

void PracticeSessionStore::adoptStoredInputLatency()
{
    assign(inputLatencyMilliseconds_, storedInputLatencyMilliseconds_,
           &PracticeSessionStore::inputLatencyMillisecondsChanged);
}

Date PracticeSessionStore::now() const { return environment_.now(); }

void PracticeSessionStore::bumpProgressRevision()
{
    ++progressRevision_;
    emit progressRevisionChanged();
}

void PracticeSessionStore::setLastImportError(std::optional<std::string> message)
{
    assign(lastImportError_, std::move(message), &PracticeSessionStore::lastImportErrorChanged);
}

void PracticeSessionStore::setBackgroundImageError(std::optional<std::string> message)
{
    assign(backgroundImageError_, std::move(message), &PracticeSessionStore::backgroundImageErrorChanged);
}

void PracticeSessionStore::setTrackSelectionPresented(bool presented)
{
    assign(isTrackSelectionPresented_, presented, &PracticeSessionStore::isTrackSelectionPresentedChanged);
}

void PracticeSessionStore::setVisualPreset(VisualPreset preset)
{
    assign(visualPreset_, std::move(preset), &PracticeSessionStore::visualPresetChanged);
}

// Settings.

void PracticeSessionStore::setInputLatencyMilliseconds(double milliseconds)
{
    const auto& setting = practiceSettings::inputLatencyMilliseconds;
    storedInputLatencyMilliseconds_ = setting.value(milliseconds);
    assign(inputLatencyMilliseconds_, storedInputLatencyMilliseconds_,
           &PracticeSessionStore::inputLatencyMillisecondsChanged);
    userDefaults_.setDouble(setting.key, storedInputLatencyMilliseconds_);
    persistProgress(false);
}

template <class T>
bool PracticeSessionStore::storeSetting(T& field, T value, const char* key, void (PracticeSessionStore::*changed)())
{
    if (field == value) return false;
    field = value;
    if constexpr (std::is_same_v<T, bool>)
        userDefaults_.setBool(key, value);
    else if constexpr (std::is_same_v<T, std::int64_t>)
        userDefaults_.setInteger(key, value);
    else
        userDefaults_.setDouble(key, value);
    (this->*changed)();
    return true;
}

void PracticeSessionStore::setCountInEnabled(bool enabled)
{
    if (storeSetting(countInEnabled_, enabled, practiceSettings::countInEnabled.key,
                     &PracticeSessionStore::countInEnabledChanged) &&
        !enabled && countInProgress_)
        pauseTimelinePlayback();
}

void PracticeSessionStore::setCountInMeasureCount(std::int64_t count)
{
    const auto& setting = practiceSettings::countInMeasureCount;
    if (storeSetting(countInMeasureCount_, setting.value(count), setting.key,
                     &PracticeSessionStore::countInMeasureCountChanged) &&
        countInProgress_)
        pauseTimelinePlayback();
}

void PracticeSessionStore::setHandSplitNote(std::int64_t note)
{
    const auto& setting = practiceSettings::handSplitNote;
    if (!storeSetting(handSplitNote_, setting.value(note), setting.key, &PracticeSessionStore::handSplitNoteChanged))
        return;
    // Which notes are the student's has changed: what was sent ahead is sent again.
    withdrawPlaybackSentAhead();
    refreshPracticeEngine();
}

void PracticeSessionStore::setSeekStepSeconds(double seconds)
{
    const auto& setting = practiceSettings::seekStepSeconds;
    storeSetting(seekStepSeconds_, setting.value(seconds), setting.key, &PracticeSessionStore::seekStepSecondsChanged);
}

void PracticeSessionStore::setLoopNudgeStepSeconds(double seconds)
{
    const auto& setting = practiceSettings::loopNudgeStepSeconds;
    // A NaN step would move a nudged bound to 0.
    if (!(std::isfinite(seconds) && seconds > 0)) return;
    storeSetting(loopNudgeStepSeconds_, setting.value(seconds), setting.key,
                 &PracticeSessionStore::loopNudgeStepSecondsChanged);
}

void PracticeSessionStore::setReduceParticles(bool reduce)
{
    storeSetting(reduceParticles_, reduce, practiceSettings::reduceParticles.key,
                 &PracticeSessionStore::reduceParticlesChanged);
}

void PracticeSessionStore::setMetronomeEnabled(bool enabled)
{
    storeSetting(metronomeEnabled_, enabled, practiceSettings::metronome.key,
                 &PracticeSessionStore::metronomeEnabledChanged);
}

// Derived.

// The grading engine and the stage both ask after every change of the
// settings; the notes are filtered once for the two, and only when the notes
// or the muted tracks differ from the last time.
MIDINoteSpanList PracticeSessionStore::audibleTimelineNotes() const
{
    std::vector<std::int64_t> muted;
    for (const auto& setting : trackSettings_)
        if (setting.isMuted) muted.push_back(setting.trackIndex());
    if (muted.empty()) return timelineNotes_;
    if (audibleNotes_.source.data() == timelineNotes_.data() && audibleNotes_.muted == muted)
        return audibleNotes_.notes;
    // One flag a track, for a song of 65,535 tracks and millions of notes.
    const std::int64_t last = *std::max_element(muted.begin(), muted.end());
    std::vector<bool> isMuted(std::size_t(std::max<std::int64_t>(last, 0)) + 1, false);
    for (const std::int64_t index : muted)
        if (index >= 0) isMuted[std::size_t(index)] = true;
    std::vector<MIDINoteSpan> audible;
    audible.reserve(timelineNotes_.size());
    for (const auto& span : timelineNotes_)
        if (span.trackIndex < 0 || span.trackIndex > last || !isMuted[std::size_t(span.trackIndex)])
            audible.push_back(span);
    audibleNotes_ = {timelineNotes_, std::move(muted), std::move(audible)};
    return audibleNotes_.notes;
}

std::vector<RecentPracticeSong> PracticeSessionStore::recentSongs() const
{
    return progressCoordinator_.store.recentSongs();
}

PracticeMetrics PracticeSessionStore::sessionMetrics() const
{
    return progressCoordinator_.accumulator.snapshot(now());
}

std::optional<PracticeMetrics> PracticeSessionStore::activeLoopMetrics() const
{
    if (!loopAccumulator_) return std::nullopt;
    return loopAccumulator_->snapshot(now());
}

} // namespace corvane
